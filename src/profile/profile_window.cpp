#include "profile/profile_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <memory>
#include <QVBoxLayout>
#include <ctime>

#include "history/history_export.h"

#include "core/formatters.h"
#include "device/language_endpoint.h"
#include "polling/register_names.h"
#include "profile/report_pdf_endpoint.h"
#include "status/accessible_names_widget.h"
#include "status/core_text_window.h"
#include "status/main_window.h"
#include "status/message_box_dialog.h"

namespace zephyra {

namespace {

QString Q(const std::string &text) {
    return QString::fromStdString(text);
}

const QColor kDiffers(0xFF, 0xE0, 0x8A);

QString Stamp() {
    return QDateTime::currentDateTime().toString("yyyyMMdd_HHmmss");
}

QTableWidget *Table(const char *name, const QStringList &header) {
    auto *t = new QTableWidget(0, static_cast<int>(header.size()));
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(header);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void AddRow(QTableWidget *t, const QStringList &cells, bool highlight = false) {
    const int r = t->rowCount();
    t->insertRow(r);
    for (int c = 0; c < cells.size(); ++c) {
        auto *item = new QTableWidgetItem(cells[c]);
        if (highlight)
            item->setBackground(kDiffers);
        t->setItem(r, c, item);
    }
}

QString RegisterText(ProfileSetting s) {
    const ProfileSettingInfo &info = InfoOf(s);
    auto hex = [](int v) { return QString::fromStdString(HexWord(v)); };
    return info.Registers > 1 ? hex(info.Register) + ".." + hex(info.Register + info.Registers - 1)
                              : hex(info.Register);
}

void ShowSavedWithFolder(QWidget *parent, const QString &text, const QString &path) {
    auto box = MakeMessageBox(parent, QMessageBox::Information, text, {}, QMessageBox::Ok, "ProfileSavedBox");
    QPushButton *open =
        box->addButton(QCoreApplication::translate("ProfileWindow", "폴더 열기"), QMessageBox::ActionRole);
    open->setObjectName("btnOpenFolder");
    box->exec();
    if (box->clickedButton() == open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

QString Choose(ProfileContext &ctx, QWidget *parent, const QString &name, bool save) {
    QDir().mkpath(ctx.FilesDir);
    return ctx.ChooseFile(parent, QDir(ctx.FilesDir).filePath(name), save);
}

// The profile the operator picks, loaded; an empty path when none was picked or it could not be read.
QString ChooseAndLoad(ProfileContext &ctx, QWidget *parent, SiteProfile &profile) {
    const QString path = Choose(ctx, parent, QString(), false);
    if (path.isEmpty())
        return path;
    if (const QString error = LoadProfile(path, profile); !error.isEmpty()) {
        ctx.Messages.ShowError(error.toStdString());
        return {};
    }
    return path;
}

QString DefaultChooseFile(QWidget *parent, const QString &suggested, bool save) {
    const bool pdf = suggested.endsWith(".pdf");
    const QString filter = pdf ? QCoreApplication::translate("ProfileWindow", "PDF (*.pdf)")
                               : QCoreApplication::translate("ProfileWindow", "사이트 프로필 (*.json)");
    return save ? QFileDialog::getSaveFileName(parent, QCoreApplication::translate("ProfileWindow", "저장"),
                                               suggested, filter)
                : QFileDialog::getOpenFileName(parent, QCoreApplication::translate("ProfileWindow", "열기"),
                                               QFileInfo(suggested).absolutePath(), filter);
}

// Says why the values may not be used now; true when it did.
bool Refused(ProfileContext &ctx) {
    const QString refusal = LiveValuesRefusal(ctx);
    if (!refusal.isEmpty())
        ctx.Messages.ShowError(refusal.toStdString());
    return !refusal.isEmpty();
}

// The report's site and technician, and optionally the site profile the device should match.
bool AskReportEntries(ProfileContext &ctx, QWidget *parent, ReportEntries &entries) {
    QDialog dialog(parent);
    dialog.setObjectName("TfrmReportEntries");
    dialog.setWindowTitle(QCoreApplication::translate("ProfileWindow", "시운전 보고서"));
    auto *site = new QLineEdit(entries.Site);
    site->setObjectName("edtSite");
    auto *technician = new QLineEdit(entries.Technician);
    technician->setObjectName("edtTechnician");
    auto *profile = new QLineEdit(entries.Profile);
    profile->setObjectName("edtProfile");
    profile->setPlaceholderText(QCoreApplication::translate("ProfileWindow", "(확인하지 않음)"));
    auto *browse = new QPushButton(QCoreApplication::translate("ProfileWindow", "찾기..."));
    browse->setObjectName("btnBrowseProfile");
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString path = Choose(ctx, &dialog, QString(), false);
        if (!path.isEmpty())
            profile->setText(path);
    });
    auto *profileRow = new QHBoxLayout;
    profileRow->addWidget(profile, 1);
    profileRow->addWidget(browse);
    auto *form = new QFormLayout;
    form->addRow(QCoreApplication::translate("ProfileWindow", "현장 이름"), site);
    form->addRow(QCoreApplication::translate("ProfileWindow", "기술자"), technician);
    form->addRow(QCoreApplication::translate("ProfileWindow", "확인할 사이트 프로필"), profileRow);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName("bbxReportEntries");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    DescribeByObjectName(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    entries = {site->text().trimmed(), technician->text().trimmed(), profile->text().trimmed()};
    return true;
}

} // namespace

bool ProfileReadAllowed(const ProfileContext &ctx) {
    // Enabled without live values too: the refusal then says why, which a greyed item cannot.
    return ctx.Session.LoggedIn();
}

bool ProfileApplyAllowed(const ProfileContext &ctx) {
    return ProfileReadAllowed(ctx) && ctx.Session.Connected() && ctx.Session.Enabled("mSystemOperation");
}

QString LiveValuesRefusal(const ProfileContext &ctx) {
    return Q(LiveValuesRefusal(ctx.Poll, ctx.Monitor, std::time(nullptr), QtTextTranslator()));
}

QString SaveProfile(ProfileContext &ctx, const QString &path) {
    if (const QString refusal = LiveValuesRefusal(ctx); !refusal.isEmpty())
        return refusal;
    const std::string json = ProfileToJson(ProfileFromSnapshot(ctx.Poll.Snapshot()));
    const ExportResult written = WriteWholeFile(path.toStdString(), json, true, QtTextTranslator());
    if (!written.Ok)
        return QCoreApplication::translate("ProfileWindow", "프로필을 저장하지 못했습니다: ") +
               Q(written.Error);
    return {};
}

QString LoadProfile(const QString &path, SiteProfile &profile) {
    QFile file(path);
    // A profile is a few kilobytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20)
        return QCoreApplication::translate("ProfileWindow", "프로필을 읽지 못했습니다: ") + path;
    const QByteArray bytes = file.readAll();
    return Q(ProfileFromJson(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                             profile, QtTextTranslator()));
}

ReportInputs CollectReportInputs(ProfileContext &ctx) {
    ReportInputs in = GatherReportInputs(ctx.Poll, ctx.Monitor, ctx.Session.Panel(1), std::time(nullptr),
                                         QtTextTranslator());
    in.Site = ctx.Entries.Site.toStdString();
    in.Technician = ctx.Entries.Technician.toStdString();
    in.Logs = ctx.KeptLogs;
    const HistoryKind kind = ctx.Poll.State().History.Kind;
    if (kind != HistoryKind::None && ctx.History.Rows().size() > 1)
        in.Logs[kind] = ReceivedRows(ctx.History.Rows());
    return in;
}

QString SaveReport(ProfileContext &ctx, QWidget *, const QString &path) {
    if (const QString refusal = LiveValuesRefusal(ctx); !refusal.isEmpty())
        return refusal;
    ReportInputs in = CollectReportInputs(ctx);
    if (!ctx.Entries.Profile.isEmpty()) {
        SiteProfile profile;
        if (const QString error = LoadProfile(ctx.Entries.Profile, profile); !error.isEmpty())
            return error;
        in.ProfileName = QFileInfo(ctx.Entries.Profile).fileName().toStdString();
        in.ProfileCheck = CompareProfile(in.Snapshot, profile);
    }
    const QString error =
        WriteReportPdf(BuildCommissioningReport(in, QtTextTranslator()), path, true, QtTextTranslator());
    return error.isEmpty()
               ? error
               : QCoreApplication::translate("ProfileWindow", "보고서를 저장하지 못했습니다: ") + error;
}

namespace {

// One apply, from its sequence's start until its results are told: kept alive by the sequence's end
// callback, then by the result window.
struct ApplyRun {
    ApplyRun(ProfileContext &c, QWidget *p, ProfileApplyTracker t, ProfileApplyDone d)
        : ctx(c), parent(p), tracker(std::move(t)), done(std::move(d)) {}
    ProfileContext &ctx;
    QPointer<QWidget> parent;
    ProfileApplyTracker tracker;
    ProfileApplyDone done;
    Subscription decodes;
    QPointer<TfrmProfileResult> window;
    bool told = false;

    void Tell() {
        decodes.Reset();
        if (told)
            return;
        told = true;
        if (done)
            done(tracker.Results());
    }
};

// The sequence has ended: the poll resumes, the result window shows what the device did, and the next
// status settles what it now holds.
void SequenceOver(const std::shared_ptr<ApplyRun> &run) {
    PollController &poll = run->ctx.Poll;
    ApplyRun *raw = run.get();
    // Subscribed before the poll resumes: the first status decoded after the writes is the one.
    raw->decodes = poll.OnDecode([raw](const StatusSnapshot &after, const StatusViewModel &) {
        raw->decodes.Reset();
        raw->tracker.Confirm(after);
        if (raw->window)
            raw->window->ShowResults(raw->tracker.Results(), true);
        raw->Tell();
    });
    poll.SettingsWindowClosed(SettingsWindow::Operating);
    auto *window = new TfrmProfileResult(raw->tracker.Results(), false, raw->parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    raw->window = window;
    // The window keeps the run; closing it before any status came tells the results as they stand.
    QObject::connect(window, &QDialog::finished, window, [run] { run->Tell(); });
    window->open();
}

} // namespace

bool ApplyProfile(ProfileContext &ctx, QWidget *parent, const SiteProfile &profile, ProfileApplyDone done) {
    auto nothing = [&done] {
        if (done)
            done({});
        return false;
    };
    PollController &poll = ctx.Poll;
    const StatusSnapshot before = poll.Snapshot();
    const bool aclWritable = poll.Link() == LinkKind::Serial && ctx.Session.Enabled("mACLSet");
    const ProfileApplyPlan plan = PlanProfileApply(before, profile, aclWritable, QtTextTranslator());
    if (!plan.Error.empty()) {
        ctx.Messages.ShowError(plan.Error);
        return nothing();
    }
    QString withheld;
    for (ProfileSetting s : plan.Withheld)
        withheld += "\n  " + CoreText(InfoOf(s).Label);
    if (!withheld.isEmpty())
        withheld = QCoreApplication::translate(
                       "ProfileWindow", "\n\nACL 설정은 시리얼 연결에서만 쓸 수 있어 보내지 않습니다:") +
                   withheld;
    if (plan.Writes.empty()) {
        ctx.Messages.ShowMessage((QCoreApplication::translate(
                                      "ProfileWindow", "장비가 이미 프로필과 같습니다. 보낼 것이 없습니다.") +
                                  withheld)
                                     .toStdString());
        return nothing();
    }

    const SiteProfile held = ProfileFromSnapshot(before);
    QString question = QCoreApplication::translate("ProfileWindow", "다음 설정을 장비에 씁니다:\n");
    for (ProfileSetting s : plan.Changed)
        question += "\n  " + CoreText(InfoOf(s).Label) + ": " +
                    Q(ShownValue(s, held.Value(s).value_or(""), QtTextTranslator())) + "  →  " +
                    Q(ShownValue(s, profile.Value(s).value_or(""), QtTextTranslator()));
    question += withheld + QCoreApplication::translate("ProfileWindow", "\n\n계속할까요?");
    if (MakeMessageBox(parent, QMessageBox::Question, question,
                       QCoreApplication::translate("ProfileWindow", "프로필 적용"),
                       QMessageBox::Yes | QMessageBox::No, "ProfileApplyQuestion")
            ->exec() != QMessageBox::Yes)
        return nothing();

    auto run = std::make_shared<ApplyRun>(ctx, parent, ProfileApplyTracker(before, profile, plan), std::move(done));
    poll.SettingsWindowOpened(SettingsWindow::Operating);
    const bool started = poll.StartWriteSequence(plan.Writes, [run](const WriteSequenceReport &report) {
        run->tracker.SequenceEnded(report);
        SequenceOver(run);
    });
    if (!started) {
        // Another sequence or its owed echo, or no TCP connection: nothing went out.
        run->tracker.NothingSent();
        SequenceOver(run);
    }
    return started;
}

TfrmProfileCompare::TfrmProfileCompare(ProfileContext &ctx, const SiteProfile &profile, const QString &file,
                                       QWidget *parent)
    : QDialog(parent), ctx_(ctx), rows_(CompareProfile(ctx.Poll.Snapshot(), profile)) {
    setObjectName("TfrmProfileCompare");
    setWindowTitle(tr("프로필 비교"));
    auto *label = new QLabel(tr("프로필: %1").arg(QDir::toNativeSeparators(file)));
    label->setObjectName("labProfileFile");
    auto *grid =
        Table("grdCompare", {tr("설정"), tr("레지스터"), tr("장비 값"), tr("프로필 값"), tr("차이")});
    int differ = 0;
    for (const ProfileCompareRow &r : rows_) {
        differ += r.Differs ? 1 : 0;
        AddRow(grid,
               {CoreText(InfoOf(r.Setting).Label), RegisterText(r.Setting),
                Q(ShownValue(r.Setting, r.Device, QtTextTranslator())),
                r.Profile.empty() ? tr("(없음)") : Q(ShownValue(r.Setting, r.Profile, QtTextTranslator())),
                r.Differs ? tr("다름") : QString()},
               r.Differs);
    }
    grid->resizeColumnsToContents();
    auto *summary =
        new QLabel(differ == 0 ? tr("장비가 프로필과 같습니다.") : tr("다른 설정: %1개").arg(differ));
    summary->setObjectName("labCompareSummary");
    auto *save = new QPushButton(tr("CSV 저장"));
    save->setObjectName("btnSaveCsv");
    auto *close = new QPushButton(tr("닫기"));
    close->setObjectName("btnClose");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(summary, 1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);
    resize(720, 560);
    connect(save, &QPushButton::clicked, this, &TfrmProfileCompare::btnSaveCsvClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    DescribeByObjectName(this);
}

void TfrmProfileCompare::btnSaveCsvClick() {
    const QString path =
        Choose(ctx_, this, QStringLiteral("%1_profile_compare_%2.csv").arg(kModelName, Stamp()), true);
    if (path.isEmpty())
        return;
    const ExportResult written =
        WriteWholeFile(path.toStdString(), CompareCsv(rows_, QtTextTranslator()), true, QtTextTranslator());
    if (!written.Ok) {
        ctx_.Messages.ShowError((tr("CSV를 저장하지 못했습니다: ") + Q(written.Error)).toStdString());
        return;
    }
    ShowSavedWithFolder(this, tr("저장했습니다: %1").arg(QDir::toNativeSeparators(path)), path);
}

TfrmProfileResult::TfrmProfileResult(const std::vector<ProfileApplyResult> &results, bool final,
                                     QWidget *parent)
    : QDialog(parent) {
    setObjectName("TfrmProfileResult");
    setWindowTitle(tr("프로필 적용 결과"));
    grid_ = Table("grdResult", {tr("설정"), tr("레지스터"), tr("프로필 값"), tr("결과")});
    state_ = new QLabel;
    state_->setObjectName("labResultState");
    auto *close = new QPushButton(tr("닫기"));
    close->setObjectName("btnClose");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(state_, 1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    resize(760, 560);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    ShowResults(results, final);
    DescribeByObjectName(this);
}

void TfrmProfileResult::ShowResults(const std::vector<ProfileApplyResult> &results, bool final) {
    grid_->setRowCount(0);
    for (const ProfileApplyResult &r : results) {
        const bool bad = r.Outcome == ApplyOutcome::Refused || r.Outcome == ApplyOutcome::NotConfirmed ||
                         r.Outcome == ApplyOutcome::NotSent || r.Outcome == ApplyOutcome::Pending ||
                         r.Outcome == ApplyOutcome::Failed || r.Outcome == ApplyOutcome::Unconfirmed;
        AddRow(grid_,
               {CoreText(InfoOf(r.Setting).Label), RegisterText(r.Setting),
                Q(ShownValue(r.Setting, r.Wanted, QtTextTranslator())),
                Q(OutcomeText(r, QtTextTranslator()))},
               bad);
    }
    grid_->resizeColumnsToContents();
    state_->setText(final ? tr("쓰기 후 상태 읽기로 확인한 결과입니다.")
                          : tr("쓰기는 끝났습니다. 장비가 지금 가진 값은 다음 상태 읽기에서 확인합니다…"));
}

void InstallProfileCommands(TMain_Form &window, ProfileContext &ctx) {
    if (!ctx.ChooseFile)
        ctx.ChooseFile = DefaultChooseFile;
    if (!ctx.AskReportEntries)
        ctx.AskReportEntries = [&ctx](QWidget *parent, ReportEntries &entries) {
            return AskReportEntries(ctx, parent, entries);
        };
    QAction *anchor = window.Action("mSystemOperation");
    QMenu *menu = nullptr;
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && anchor && top->menu()->actions().contains(anchor))
            menu = top->menu();
    if (!menu)
        return;
    menu->addSeparator();
    auto add = [&](const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    QAction *save = add("mProfileSave", QCoreApplication::translate("ProfileWindow", "프로필 저장 "));
    QAction *compare = add("mProfileCompare", QCoreApplication::translate("ProfileWindow", "프로필 비교 "));
    QAction *apply = add("mProfileApply", QCoreApplication::translate("ProfileWindow", "프로필 적용 "));
    QAction *report = add("mReport", QCoreApplication::translate("ProfileWindow", "시운전 보고서 "));
    auto refresh = [&ctx, save, compare, apply, report] {
        const bool read = ProfileReadAllowed(ctx);
        for (QAction *a : {save, compare, report})
            a->setEnabled(read);
        apply->setEnabled(ProfileApplyAllowed(ctx));
    };
    refresh();
    QObject::connect(menu, &QMenu::aboutToShow, menu, refresh);

    // The history commands start their download later (queued), which clears the rows of the one before:
    // they are kept here first, so the report can hold every log of the session.
    for (const char *name : {"mAlarmLog", "mEventLog"})
        if (QAction *history = window.Action(name))
            QObject::connect(history, &QAction::triggered, menu, [&ctx] {
                const HistoryKind kind = ctx.Poll.State().History.Kind;
                if (kind != HistoryKind::None && ctx.History.Rows().size() > 1)
                    ctx.KeptLogs[kind] = ReceivedRows(ctx.History.Rows());
            });

    TMain_Form *w = &window;
    // Queued: each opens a modal window and must not keep its caller waiting.
    QObject::connect(
        save, &QAction::triggered, w,
        [w, &ctx] {
            if (!ProfileReadAllowed(ctx) || Refused(ctx))
                return;
            const QString path =
                Choose(ctx, w, QStringLiteral("%1_profile_%2.json").arg(kModelName, Stamp()), true);
            if (path.isEmpty())
                return;
            const QString error = SaveProfile(ctx, path);
            if (!error.isEmpty())
                ctx.Messages.ShowError(error.toStdString());
            else
                ShowSavedWithFolder(w,
                                    QCoreApplication::translate("ProfileWindow", "프로필을 저장했습니다: %1")
                                        .arg(QDir::toNativeSeparators(path)),
                                    path);
        },
        Qt::QueuedConnection);
    QObject::connect(
        compare, &QAction::triggered, w,
        [w, &ctx] {
            if (!ProfileReadAllowed(ctx) || Refused(ctx))
                return;
            SiteProfile profile;
            const QString path = ChooseAndLoad(ctx, w, profile);
            if (path.isEmpty())
                return;
            TfrmProfileCompare window(ctx, profile, path, w);
            window.exec();
        },
        Qt::QueuedConnection);
    QObject::connect(
        apply, &QAction::triggered, w,
        [w, &ctx] {
            if (!ProfileApplyAllowed(ctx) || Refused(ctx))
                return;
            SiteProfile profile;
            if (ChooseAndLoad(ctx, w, profile).isEmpty())
                return;
            ApplyProfile(ctx, w, profile);
        },
        Qt::QueuedConnection);
    QObject::connect(
        report, &QAction::triggered, w,
        [w, &ctx] {
            if (!ProfileReadAllowed(ctx) || Refused(ctx) || !ctx.AskReportEntries(w, ctx.Entries))
                return;
            const QString path =
                Choose(ctx, w, QStringLiteral("%1_report_%2.pdf").arg(kModelName, Stamp()), true);
            if (path.isEmpty())
                return;
            const QString error = SaveReport(ctx, w, path);
            if (!error.isEmpty())
                ctx.Messages.ShowError(error.toStdString());
            else
                ShowSavedWithFolder(w,
                                    QCoreApplication::translate("ProfileWindow", "보고서를 저장했습니다: %1")
                                        .arg(QDir::toNativeSeparators(path)),
                                    path);
        },
        Qt::QueuedConnection);
}

} // namespace zephyra
