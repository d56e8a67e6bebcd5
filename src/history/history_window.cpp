#include "history/history_window.h"
#include "status/core_text_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTime>
#include <QUrl>
#include <QVBoxLayout>
#include <iostream>

#include "device/language_endpoint.h"
#include "history/history_commands.h"
#include "history/history_export.h"
#include "history/history_initial_dialog.h"
#include "history/history_list_window.h"
#include "status/accessible_names_widget.h"
#include "status/elided_label_widget.h"
#include "status/main_window.h"
#include "status/message_box_dialog.h"

namespace zephyra {

namespace {

const QColor kGaugeGreen(0x00, 0xB0, 0x00);
const QColor kStallRed(0xB0, 0x00, 0x00);

// Designed widths (where the operator's widening starts), the widest text each column is expected to
// hold, and whether it holds numbers: those are right-aligned, so digits line up down the column.
struct ColumnPlan {
    int Width;
    const char *Widest;
    bool Number = false;
};

const std::vector<ColumnPlan> &Plan(HistoryKind kind) {
    static const std::vector<ColumnPlan> alarm = {
        {27, "0000", true},     {73, "2025-12-31"},     {61, "23:59:59"},
        {62, "000 V", true},    {65, "100.0 V", true},  {60, "100.0 A", true},
        {63, "-100.0 A", true}, {65, "+100.0 C", true}, {306, "BATTERY DISCONNECT Recov"}};
    static const std::vector<ColumnPlan> event = {{27, "0000", true},
                                                  {73, "2025-12-31"},
                                                  {61, "23:59:59"},
                                                  {62, "TCP/IP"},
                                                  {142, "Controller Info Set"},
                                                  {184, "Battery String Volt"},
                                                  {173, "Battery Current Cnt Set"},
                                                  {65, "192.168", true}};
    return kind == HistoryKind::Event ? event : alarm;
}

QString Text(const std::string &s) {
    return CoreText(s);
}

} // namespace

// ---- grid model ----

HistoryGridModel::HistoryGridModel(int columns, QObject *parent)
    : QAbstractTableModel(parent), columns_(columns), header_(columns) {}

int HistoryGridModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int HistoryGridModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant HistoryGridModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    const QStringList &row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() < row.size() ? row[index.column()] : QString();
    case Qt::TextAlignmentRole:
        if (index.column() < static_cast<int>(numbers_.size()) &&
            numbers_[static_cast<std::size_t>(index.column())])
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        // The first column is fixed, drawn like the header.
        if (index.column() == 0)
            return QGuiApplication::palette().button();
        return {};
    default:
        return {};
    }
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columns_)
        return header_[section];
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

void HistoryGridModel::SetNumberColumns(std::vector<bool> numbers) {
    numbers_ = std::move(numbers);
}

void HistoryGridModel::SetGridRows(int rows) {
    std::size_t records = static_cast<std::size_t>(std::max(rows, 1) - 1);
    if (records == rows_.size())
        return;
    beginResetModel();
    rows_.assign(records, QStringList());
    endResetModel();
}

void HistoryGridModel::SetHeader(const HistoryRow &cells) {
    QStringList header;
    for (int c = 0; c < columns_; ++c)
        header << (c < static_cast<int>(cells.size()) ? Text(cells[static_cast<std::size_t>(c)]) : QString());
    if (header == header_)
        return;
    header_ = header;
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void HistoryGridModel::SetRecord(int row, const HistoryRow &cells) {
    if (row < 1 || row > static_cast<int>(rows_.size()))
        return;
    QStringList &target = rows_[static_cast<std::size_t>(row - 1)];
    target.clear();
    for (int c = 0; c < columns_ && c < static_cast<int>(cells.size()); ++c)
        target << Text(cells[static_cast<std::size_t>(c)]);
    emit dataChanged(index(row - 1, 0), index(row - 1, columns_ - 1), {Qt::DisplayRole});
}

QString HistoryGridModel::Cell(int row, int column) const {
    if (column < 0 || column >= columns_)
        return {};
    if (row == 0)
        return header_[column];
    if (row < 1 || row > static_cast<int>(rows_.size()))
        return {};
    const QStringList &r = rows_[static_cast<std::size_t>(row - 1)];
    return column < r.size() ? r[column] : QString();
}

// ---- the windows ----

HistoryWindowBase::HistoryWindowBase(HistoryContext ctx, HistoryKind kind, const char *name, QSize size,
                                     QWidget *parent)
    : QDialog(parent), ctx_(std::move(ctx)), kind_(kind) {
    setObjectName(name);
    setWindowTitle(CoreText(kHistoryCaption));
    // No close box: the Close button is the only way out, so the download is always ended properly.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint);
    if (parent)
        setFont(parent->font());

    auto button = [this](const char *objectName, QStyle::StandardPixmap icon, const char *hint) {
        auto *b = new QPushButton;
        b->setObjectName(objectName);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setFixedSize(34, 26);
        b->setAutoDefault(false);
        return b;
    };
    bbtFileSave_ = button("bbtFileSave", QStyle::SP_DialogSaveButton, "Save File");
    bbtClose_ = button("bbtClose", QStyle::SP_DialogCloseButton, "Close");
    bbtReqStop_ = button("bbtReqStop", QStyle::SP_MediaStop, "Stop Request ");
    // Bare icons were too easy to miss or mistake (a stop when a download hangs): each says what it does.
    bbtFileSave_->setText("Save File");
    bbtClose_->setText("Close");
    bbtReqStop_->setText("Stop Request");
    for (QPushButton *b : {bbtFileSave_, bbtClose_, bbtReqStop_}) {
        b->setMinimumWidth(0);
        b->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    bbtFileSave_->setEnabled(false);

    gauge_ = new QProgressBar;
    gauge_->setObjectName("Gauge");
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setFixedSize(240, 22);
    gauge_->setAlignment(Qt::AlignCenter);
    QPalette gp = gauge_->palette();
    gp.setColor(QPalette::Highlight, kGaugeGreen);
    gauge_->setPalette(gp);

    labAlarm_ = new QLabel(CoreText(kHistoryCountPrefix));
    labAlarm_->setObjectName("LabAlarm");
    labAlarm_->setMinimumWidth(
        QFontMetrics(font()).horizontalAdvance(CoreText(kHistoryCountPrefix) + "65535") + 8);

    auto *barWidget = new QWidget;
    barWidget->setObjectName("Panel1");
    barWidget->setFixedHeight(kHistoryBarHeight);
    bar_ = new QHBoxLayout(barWidget);
    bar_->setContentsMargins(4, 2, 4, 2);
    bar_->setSpacing(4);
    bar_->addWidget(bbtFileSave_);
    bar_->addWidget(bbtClose_);
    bar_->addWidget(bbtReqStop_);
    barInsert_ = bar_->count();
    bar_->addSpacing(8);
    bar_->addWidget(gauge_);
    bar_->addSpacing(8);
    bar_->addWidget(labAlarm_);
    bar_->addStretch(1);

    // Under the bar: why the gauge stands still, and where the last Save File put the workbook. Both
    // get a whole line, as neither fits beside the buttons.
    labStall_ = new QLabel;
    labStall_->setObjectName("labStall");
    QPalette sp = labStall_->palette();
    sp.setColor(QPalette::WindowText, kStallRed);
    labStall_->setPalette(sp);
    labSaved_ = new ElidedPanel;
    labSaved_->setObjectName("labSaved");
    labSavedCount_ = new QLabel;
    labSavedCount_->setObjectName("labSavedCount");
    labSaved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path must not widen the window: it takes the room left and keeps its file name in view.
    labSaved_->setMinimumWidth(40);
    labSaved_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bbtOpenFolder_ = new QPushButton(style()->standardIcon(QStyle::SP_DirOpenIcon), CoreText(kOpenFolder));
    bbtOpenFolder_->setObjectName("bbtOpenFolder");
    bbtOpenFolder_->setAutoDefault(false);
    bbtOpenFolder_->setFixedHeight(24);
    bbtOpenFolder_->setEnabled(false);

    auto *statusWidget = new QWidget;
    statusWidget->setObjectName("Panel2");
    statusWidget->setFixedHeight(kHistoryStatusHeight);
    auto *status = new QHBoxLayout(statusWidget);
    status->setContentsMargins(6, 0, 4, 2);
    status->setSpacing(6);
    status->addWidget(labStall_);
    status->addWidget(labSavedCount_, 0);
    status->addWidget(labSaved_, 1);
    status->addWidget(bbtOpenFolder_);

    const int columns = HistoryColumnCount(kind);
    model_ = new HistoryGridModel(columns, this);
    model_->SetGridRows(kHistoryGridRows);
    const std::vector<ColumnPlan> &plan = Plan(kind);
    std::vector<bool> numbers;
    for (const ColumnPlan &p : plan)
        numbers.push_back(p.Number);
    model_->SetNumberColumns(std::move(numbers));
    grid_ = new QTableView;
    grid_->setObjectName("StringGrid1");
    // A lighter face than the window's, so the designed column widths hold their texts.
    QFont gridFont("Verdana", 8);
    gridFont.setBold(false);
    grid_->setFont(gridFont);
    grid_->horizontalHeader()->setFont(gridFont);
    grid_->setModel(model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setWordWrap(false);
    grid_->setCornerButtonEnabled(false);
    grid_->verticalHeader()->setVisible(false);
    // Fixed row heights, and column widths that only the operator changes (dragging a header edge), keep
    // every row write independent of the rows before it.
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setMinimumSectionSize(kHistoryRowHeight);
    grid_->verticalHeader()->setDefaultSectionSize(kHistoryRowHeight);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setFixedHeight(kHistoryRowHeight + 2);
    QFontMetrics fm(gridFont);
    const int padding =
        2 * (grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 1) + 4;
    const HistoryRow header = HistoryHeader(kind == HistoryKind::Event ? kind : HistoryKind::Alarm);
    for (int c = 0; c < columns; ++c) {
        const ColumnPlan &p = plan[static_cast<std::size_t>(c)];
        int needed = std::max(fm.horizontalAdvance(QString::fromUtf8(p.Widest)),
                              fm.horizontalAdvance(Text(header[static_cast<std::size_t>(c)]))) +
                     padding;
        grid_->setColumnWidth(c, std::max(p.Width, needed));
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(barWidget);
    layout->addWidget(statusWidget);
    layout->addWidget(grid_, 1);

    connect(bbtClose_, &QPushButton::clicked, this, &HistoryWindowBase::bbtCloseClick);
    connect(bbtFileSave_, &QPushButton::clicked, this, &HistoryWindowBase::bbtFileSaveClick);
    connect(bbtReqStop_, &QPushButton::clicked, this, &HistoryWindowBase::bbtReqStopClick);
    connect(bbtOpenFolder_, &QPushButton::clicked, this, &HistoryWindowBase::bbtOpenFolderClick);

    resize(size);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    WriteHeader();
}

HistoryWindowBase::~HistoryWindowBase() {
    // Destroyed without Close (the program ends): the controller must not keep a dangling view.
    if (!closing_)
        ctx_.History.CloseWindow();
}

void HistoryWindowBase::AddToBar(QWidget *widget) {
    bar_->insertWidget(barInsert_++, widget);
    DescribeByObjectName(widget);
}

void HistoryWindowBase::WriteHeader() {
    model_->SetHeader(HistoryHeader(kind_));
}

void HistoryWindowBase::showEvent(QShowEvent *event) {
    WriteHeader();
    DescribeByObjectName(this);
    QDialog::showEvent(event);
}

void HistoryWindowBase::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        WriteHeader();
    QDialog::changeEvent(event);
}

void HistoryWindowBase::closeEvent(QCloseEvent *event) {
    if (closing_)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void HistoryWindowBase::reject() {
    if (closing_)
        QDialog::reject();
}

void HistoryWindowBase::SetRowCount(int rows) {
    model_->SetGridRows(rows);
}

void HistoryWindowBase::SetRow(int row, const HistoryRow &cells) {
    if (row == 0)
        model_->SetHeader(cells);
    else
        model_->SetRecord(row, cells);
}

void HistoryWindowBase::SetGauge(int percent) {
    gauge_->setValue(std::clamp(percent, 0, 100));
}

void HistoryWindowBase::SetCountLabel(const std::string &text) {
    // The count comes after the core's Korean prefix.
    const std::string prefix = kHistoryCountPrefix;
    labAlarm_->setText(text.starts_with(prefix)
                           ? CoreText(kHistoryCountPrefix) + Text(text.substr(prefix.size()))
                           : Text(text));
}

void HistoryWindowBase::EnableClose(bool enabled) {
    bbtClose_->setEnabled(enabled);
}

void HistoryWindowBase::EnableSave(bool enabled) {
    bbtFileSave_->setEnabled(enabled);
}

void HistoryWindowBase::EnableStop(bool enabled) {
    bbtReqStop_->setEnabled(enabled);
}

void HistoryWindowBase::SetStall(const std::string &text) {
    labStall_->setText(Text(text));
}

void HistoryWindowBase::bbtCloseClick() {
    closing_ = true;
    ctx_.History.CloseWindow();
    gauge_->setValue(0);
    accept();
}

void HistoryWindowBase::bbtReqStopClick() {
    ctx_.History.StopRequest();
}

void HistoryWindowBase::bbtFileSaveClick() {
    QString dir = ctx_.FilesDir.isEmpty() ? QCoreApplication::applicationDirPath() : ctx_.FilesDir;
    // The user's folder is made on its first workbook; a failure shows in the export's own message.
    QDir().mkpath(dir);
    QTime now = QTime::currentTime();
    std::vector<HistoryRow> rows = ctx_.History.ExportRows();
    // The header row as the grid shows it: English in the English console, the Korean default otherwise.
    if (!rows.empty())
        for (std::string &cell : rows.front())
            cell = Text(cell).toStdString();
    ExportResult result =
        SpreadsheetExport(kind_, rows, QDir(dir).absolutePath().toStdString(),
                          TimeOfDay{now.hour(), now.minute(), now.second()}, QtTextTranslator());
    const QString path = QDir::toNativeSeparators(Text(result.Path));
    if (result.Ok) {
        labSaved_->SetFullText(path);
        labSavedCount_->setText(
            QString::fromStdString(SavedCountText(ctx_.History.ReceivedCount(), ctx_.History.TotalCount())));
        savedFolder_ = QFileInfo(Text(result.Path)).absolutePath();
        bbtOpenFolder_->setEnabled(true);
        return;
    }
    std::cerr << "Save File: " << result.Path << ": " << result.Error << std::endl;
    // "No Excel" stays the first line; the technician also needs to know where and why.
    QString text = QString::fromLatin1(kNoExcel);
    if (!path.isEmpty())
        text += "\n" + path;
    if (!result.Error.empty())
        text += "\n" + Text(result.Error);
    ShowMessageBox(this, QMessageBox::Warning, text);
}

void HistoryWindowBase::bbtOpenFolderClick() {
    if (!savedFolder_.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(savedFolder_));
}

TfrmHistory::TfrmHistory(HistoryContext ctx, HistoryKind kind, TfrmHistList *list, QWidget *parent)
    : HistoryWindowBase(std::move(ctx), kind, "TfrmHistory", QSize(kWidth, kHeight), parent), list_(list) {
    auto *bitBtn2 = new QPushButton(tr("약어 풀이 "));
    bitBtn2->setObjectName("BitBtn2");
    bitBtn2->setAutoDefault(false);
    bitBtn2->setFixedHeight(26);
    AddToBar(bitBtn2);
    connect(bitBtn2, &QPushButton::clicked, this, &TfrmHistory::BitBtn2Click);
}

TfrmHistory::~TfrmHistory() {
    if (list_)
        list_->Release(this);
}

void TfrmHistory::BitBtn2Click() {
    if (list_)
        list_->ShowFor(this);
}

TfrmEventHistory::TfrmEventHistory(HistoryContext ctx, QWidget *parent)
    : HistoryWindowBase(std::move(ctx), HistoryKind::Event, "TfrmEventHistory", QSize(kWidth, kHeight),
                        parent) {}

// ---- the menu commands ----

namespace {

class HistoryCommands : public QObject {
public:
    HistoryCommands(TMain_Form &window, HistoryContext ctx)
        : QObject(&window), window_(window), ctx_(std::move(ctx)) {
        list_ = new TfrmHistList(&window);
    }

    void OpenHistory(HistoryKind kind) {
        HistoryContext &ctx = ctx_;
        QPointer<HistoryWindowBase> w;
        if (kind == HistoryKind::Event)
            w = new TfrmEventHistory(ctx, &window_);
        else
            w = new TfrmHistory(ctx, kind, list_, &window_);
        ctx.History.StartDownload(kind, w);
        w->exec();
        delete w; // null if the main window took it along
    }

    void OpenInitial() {
        HistoryContext &ctx = ctx_;
        ctx.History.SetInitialiseDialogOpen(true);
        QPointer<TfrmInitial> dialog = new TfrmInitial(ctx, window_.Level(), &window_);
        dialog->exec();
        if (!dialog)
            return; // the main window went away, and the context with it
        delete dialog;
        if (ctx.History.InitialiseDialogOpen())
            ctx.History.SetInitialiseDialogOpen(false);
    }

private:
    TMain_Form &window_;
    HistoryContext ctx_;
    TfrmHistList *list_;
};

} // namespace

void InstallHistoryCommands(TMain_Form &window, HistoryContext ctx) {
    auto *commands = new HistoryCommands(window, std::move(ctx));
    auto on = [&window, commands](const char *name, std::function<void()> handler) {
        if (QAction *a = window.Action(name))
            QObject::connect(a, &QAction::triggered, commands, handler, Qt::QueuedConnection);
    };
    on("mAlarmLog", [commands] { commands->OpenHistory(HistoryKind::Alarm); });
    on("mEventLog", [commands] { commands->OpenHistory(HistoryKind::Event); });
    on("mInitialLog", [commands] { commands->OpenInitial(); });
}

} // namespace zephyra
