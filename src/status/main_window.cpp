#include "status/main_window.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "access/confirm_window.h"
#include "access/login_window.h"
#include "device/connection_window.h"
#include "device/language_endpoint.h"
#include "status/accessible_names_widget.h"
#include "status/core_text_window.h"
#include "status/elided_label_widget.h"
#include "status/lamp_widget.h"

namespace zephyra {

namespace {

const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
const QColor kBrightGreen(0, 255, 0);
const QColor kGrey(128, 128, 128);
const QColor kTeal(0x00, 0x80, 0x80);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kGreen(0x00, 0x80, 0x00);

// An invisible click area of the top strip.
class ClickArea : public QWidget {
public:
    ClickArea(const char *name, std::function<void()> onClick, QWidget *parent = nullptr)
        : QWidget(parent), onClick_(std::move(onClick)) {
        setObjectName(name);
        setFixedSize(25, 25);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton && onClick_)
            onClick_();
    }

private:
    std::function<void()> onClick_;
};

// Enabled states come from the session model.
struct MenuItem {
    const char *Name;
    const char *Caption;
};

} // namespace

TMain_Form::TMain_Form(MainWindowContext ctx, QWidget *parent) : QMainWindow(parent), ctx_(std::move(ctx)) {
    setObjectName("TMain_Form");
    setWindowTitle(kMainCaption);
    QFont font("Verdana", 9);
    font.setBold(true);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kSkyBlue);
    setPalette(pal);
    setAutoFillBackground(true);

    BuildMenus();

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(BuildTopStrip());

    pageControl_ = new QTabWidget;
    pageControl_->setObjectName("PageControl1");
    pageControl_->addTab(BuildInformationPage(), "Information");
    logPage_ = new QWidget;
    logPage_->setObjectName("TabSheet2");
    pageControl_->addTab(logPage_, "Log");
    pageControl_->setVisible(false);
    layout->addWidget(pageControl_, 1);
    layout->addStretch(0); // keeps the strip on top while the pages are hidden
    setCentralWidget(central);

    auto *bar = new QStatusBar;
    bar->setObjectName("ComSetting");
    bar->setSizeGripEnabled(false);
    // The window has a fixed width: the level, link and health panels are as wide as their longest
    // texts, and the port path takes the rest, shortened when it is longer.
    portPanel_ = new ElidedPanel;
    // This program's own version, one hover away (the caption carries the device firmware's).
    bar->setToolTip(QStringLiteral("zephyra-console " ZEPHYRA_VERSION));
    for (int i = 0; i < 3; ++i) {
        panels_[i] = i == 1 ? portPanel_ : new QLabel;
        panels_[i]->setObjectName(QStringLiteral("ComSettingPanel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::Panel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panels_[i], i == 1 ? 1 : 0);
    }
    portPanel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    portPanel_->setMinimumWidth(kPanelWidth / 2);
    pnlLinkHealth_ = new QLabel;
    pnlLinkHealth_->setObjectName("pnlLinkHealth");
    pnlLinkHealth_->setFrameShape(QFrame::Panel);
    pnlLinkHealth_->setFrameShadow(QFrame::Sunken);
    pnlLinkHealth_->setAutoFillBackground(true);
    bar->addWidget(pnlLinkHealth_, 0);
    healthAgeTimer_ = new QTimer(this);
    healthAgeTimer_->setObjectName("tmrHealthAge");
    healthAgeTimer_->setSingleShot(true);
    connect(healthAgeTimer_, &QTimer::timeout, this, &TMain_Form::RefreshHealth);
    setStatusBar(bar);
    // The level and link panels are as wide as their longest texts, at the window's font they now have.
    std::vector<std::string> levels, links;
    for (UserLevel level : {UserLevel::User, UserLevel::Admin, UserLevel::Super})
        levels.push_back(LevelText(level));
    for (int bits = 0; bits < 0x40; ++bits)
        links.push_back(EthernetLinkText(bits, 0xFFFF));
    FitPanel(panels_[0], levels);
    FitPanel(panels_[2], links);
    std::vector<std::string> healths;
    for (const LinkHealth &h : WidestHealths(QtTextTranslator()))
        healths.push_back(HealthText(h).toStdString());
    FitPanel(pnlLinkHealth_, healths);
    RenderSession();

    closingWindow_ = new TfrmMsg(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // Longer captions (English) widen the first columns; the window then grows rather than push the
    // access-list fields past its edge. The fields are measured as they will be shown after a decode.
    for (QWidget *w : {static_cast<QWidget *>(pageControl_), infoGroup_})
        w->setHidden(false);
    const int width = std::max(kClientWidth, minimumSizeHint().width());
    for (QWidget *w : {static_cast<QWidget *>(pageControl_), infoGroup_})
        w->setHidden(true);
    setFixedSize(width, kClientHeight + menuBar()->sizeHint().height());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    DescribeByObjectName(this);
}

TMain_Form::~TMain_Form() = default;

void TMain_Form::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    // The Ethernet link panel is already as wide as its widest text and the window cannot be resized:
    // held at its laid-out size, a new counter in its text no longer makes the whole bar lay out and
    // repaint on every poll.
    QLabel *link = panels_[2];
    if (link->minimumWidth() != link->maximumWidth() && link->width() >= link->minimumWidth())
        link->setFixedSize(link->size());
}

void TMain_Form::AddPage(QWidget *page, const QString &title) {
    pageControl_->addTab(page, title);
}

void TMain_Form::FitPanel(QLabel *panel, const std::vector<std::string> &texts) {
    int width = kPanelWidth;
    for (const std::string &text : texts) {
        panel->setText(QString::fromStdString(text));
        width = std::max(width, panel->sizeHint().width());
    }
    panel->clear();
    panel->setMinimumWidth(width);
}

void TMain_Form::BuildMenus() {
    auto add = [this](QMenu *menu, const MenuItem &item) {
        QAction *a = menu->addAction(tr(item.Caption));
        a->setObjectName(item.Name);
        actions_.insert(item.Name, a);
        return a;
    };
    QMenu *exit = menuBar()->addMenu(tr("나가기 "));
    add(exit, {"mExit", QT_TR_NOOP("종료 ")});
    QMenu *link = menuBar()->addMenu(tr("접속 "));
    for (const MenuItem &item :
         {MenuItem{"mConnect", QT_TR_NOOP("연결하기 ")}, MenuItem{"mDisconnect", QT_TR_NOOP("연결끊기 ")},
          MenuItem{"mLogin", QT_TR_NOOP("로그인 ")}, MenuItem{"mLogout", QT_TR_NOOP("로그아웃 ")}})
        add(link, item);
    link->addSeparator();
    add(link, {"mTraffic", QT_TR_NOOP("통신 모니터")});
    QMenu *settings = menuBar()->addMenu(tr("조회/설정 "));
    for (const MenuItem &item :
         {MenuItem{"mSystemOperation", QT_TR_NOOP("운용/알람 설정 ")},
          MenuItem{"mMeasurementSet", QT_TR_NOOP("계측값 설정 ")},
          MenuItem{"mDataTimeSet", QT_TR_NOOP("날짜/시간 설정 ")},
          MenuItem{"mIPSet", QT_TR_NOOP("정류기 IP 설정 ")}, MenuItem{"mACLSet", QT_TR_NOOP("ACL 설정")},
          MenuItem{"mControllerReset", QT_TR_NOOP("제어보드 리셋 ")},
          MenuItem{"mFactoryInitial", QT_TR_NOOP("공장 초기화 ")},
          MenuItem{"mAlarmTest", QT_TR_NOOP("경보 시험 ")}})
        add(settings, item);
    QMenu *history = menuBar()->addMenu(tr("이력 "));
    for (const MenuItem &item :
         {MenuItem{"mAlarmLog", QT_TR_NOOP("알람 이력 ")}, MenuItem{"mEventLog", QT_TR_NOOP("이벤트 이력 ")},
          MenuItem{"mInitialLog", QT_TR_NOOP("이력 초기화 ")}})
        add(history, item);
    QMenu *home = menuBar()->addMenu(tr("홈페이지 "));
    add(home, {"mHomePage", kHomePageCaption});

    // Queued: a command that opens a modal window must not keep its caller (e.g. an AT-SPI press) waiting.
    auto on = [this](const char *name, void (TMain_Form::*handler)()) {
        connect(Action(name), &QAction::triggered, this, handler, Qt::QueuedConnection);
    };
    on("mExit", &TMain_Form::mExitClick);
    on("mConnect", &TMain_Form::mConnectClick);
    on("mDisconnect", &TMain_Form::mDisconnectClick);
    on("mLogin", &TMain_Form::mLoginClick);
    on("mLogout", &TMain_Form::mLogoutClick);
    on("mHomePage", &TMain_Form::mHomePageClick);
}

QWidget *TMain_Form::BuildTopStrip() {
    auto *strip = new QWidget;
    strip->setObjectName("TopStrip");
    strip->setFixedHeight(28);
    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    row->addWidget(new ClickArea("Image10", [this] { Image10Click(); }));

    flatPanel3_ = new QFrame;
    flatPanel3_->setObjectName("FlatPanel3");
    auto *lights = new QHBoxLayout(flatPanel3_);
    lights->setContentsMargins(0, 0, 0, 0);
    lights->setSpacing(2);
    pnlTx_ = new IndicatorWidget("pnl_TX", "TX", {40, 22});
    pnlRx_ = new IndicatorWidget("pnl_RX", "RX", {40, 22});
    lights->addWidget(pnlTx_);
    lights->addWidget(pnlRx_);
    SetTxLight(false);
    SetRxLight(false);
    row->addWidget(flatPanel3_);

    pnlConnect_ = new IndicatorWidget("pnlConnect", "Connect", {84, 22});
    PaintConnect(false);
    pnlConnect_->setVisible(false);
    row->addWidget(pnlConnect_);

    labAlarmTest_ = new QLabel(tr("경보시험 중이며 PC접속이 3분이상 되지 않으면 자동복귀합니다"));
    labAlarmTest_->setObjectName("Lab_Alarm_Test");
    labAlarmTest_->setStyleSheet("color: red;");
    labAlarmTest_->setAlignment(Qt::AlignCenter);
    labAlarmTest_->setVisible(false);
    row->addWidget(labAlarmTest_, 1);
    row->addStretch();

    // The firmware counter lives outside the page, shown only through the hidden toggle.
    auto *fwCnt = Field("edtFwCnt", "65535");
    fwCnt->setVisible(false);
    row->addWidget(fwCnt);

    row->addWidget(new ClickArea("Image1", [this] { Image1Click(); }));
    return strip;
}

QLineEdit *TMain_Form::Field(const char *name, const char *widest) {
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFixedHeight(20);
    // Opaque: a changed value repaints the box alone, not the group and page behind it.
    edit->setAutoFillBackground(true);
    if (widest)
        edit->setFixedWidth(FieldWidth(edit, widest));
    fields_.insert(name, edit);
    return edit;
}

int TMain_Form::FieldWidth(QLineEdit *edit, const char *widest) const {
    // Measured at the window's font, which the field takes once it is placed: whatever font the platform
    // substitutes, the widest value still shows whole. Beyond the style's frame, QLineEdit keeps two
    // pixels on each side and one for the cursor, or it scrolls the text.
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.rect = QRect(0, 0, 100, 20);
    opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    const int frame = 100 - edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit).width();
    return QFontMetrics(font()).horizontalAdvance(tr(widest)) + frame + 2 * 2 + 1;
}

QLabel *TMain_Form::Caption(const char *text, const char *name) {
    auto *label = new QLabel(tr(text));
    if (name)
        label->setObjectName(name);
    return label;
}

QWidget *TMain_Form::BuildInformationPage() {
    auto *page = new QWidget;
    page->setObjectName("TabSheet1");
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(2, 2, 2, 2);
    infoGroup_ = new QWidget;
    infoGroup_->setObjectName("pnlInformation");
    infoGroup_->setVisible(false);
    pageLayout->addWidget(infoGroup_);

    // Every field is as wide as the widest text a decode can put in it (any register value; the clock's
    // registers hold a calendar date), so nothing is ever cut off. The ten address ranges need most of the
    // width, so the groups around them keep tight margins and the lamps stand in single columns.
    constexpr int kMargin = 4;
    auto group = [](const char *caption, const char *name) {
        auto *g = new QGroupBox(tr(caption));
        g->setObjectName(name);
        return g;
    };
    // A group of "caption: field" rows, the fields as wide as the group's widest value.
    auto rows = [this](QGroupBox *g, std::initializer_list<std::pair<const char *, const char *>> items,
                       const char *widest) {
        auto *grid = new QGridLayout(g);
        grid->setContentsMargins(kMargin, 2, kMargin, 2);
        grid->setVerticalSpacing(2);
        int r = 0;
        for (const auto &[caption, name] : items) {
            grid->addWidget(Caption(caption), r, 0);
            grid->addWidget(Field(name, widest), r, 1);
            ++r;
        }
        return grid;
    };
    auto lampColumn = [this](QGroupBox *g,
                             std::initializer_list<std::pair<const char *, const char *>> items) {
        auto *grid = new QGridLayout(g);
        grid->setContentsMargins(kMargin, 2, kMargin, 2);
        grid->setVerticalSpacing(1);
        int r = 0;
        for (const auto &[name, caption] : items) {
            auto *lamp = new LampWidget(name);
            lamps_.insert(name, lamp);
            lampCaptions_.insert(name, tr(caption));
            grid->addWidget(lamp, r, 0);
            grid->addWidget(Caption(caption), r, 1);
            ++r;
        }
        grid->setColumnStretch(1, 1);
    };

    // Column 1: clock, measurements, firmware, set-points.
    auto *clock = group(QT_TR_NOOP("현재 시간 정보 "), "gbTime");
    rows(clock, {{QT_TR_NOOP("날짜 "), "edtDate"}, {QT_TR_NOOP("시간 "), "edtTime"}}, "9999-12-31");
    auto *measure = group(QT_TR_NOOP("계측값 "), "gbMeasure");
    rows(measure,
         {{QT_TR_NOOP("AC 입력전압 "), "edtACV"},
          {QT_TR_NOOP("DC 출력전압"), "edtDCV"},
          {QT_TR_NOOP("DC 부하전류 "), "edtLCA"},
          {QT_TR_NOOP("축전지 전류 "), "edtBCA"},
          {QT_TR_NOOP("랙 온도 "), "edtRT"}},
         "+32767 A");
    auto *firmware = group(QT_TR_NOOP("F/W 버전 "), "gbVersion");
    auto *fwRow = new QHBoxLayout(firmware);
    fwRow->setContentsMargins(kMargin, 2, kMargin, 2);
    auto *version = Field("edtVer");
    version->setMinimumWidth(FieldWidth(version, "V25.5 (255-255-255)"));
    fwRow->addWidget(version);

    auto *setpoints = group(QT_TR_NOOP("운용 설정값 "), "gbSetPoints");
    rows(setpoints,
         {{QT_TR_NOOP("AC 고전압 "), "edtACH"},
          {QT_TR_NOOP("AC 저전압 "), "edtACL"},
          {QT_TR_NOOP("DC 고전압 "), "edtDCH"},
          {QT_TR_NOOP("DC 저전압 "), "edtDCL"}},
         "65535 V");

    // Column 2: alarm lamps, contact lamps, battery.
    auto *alarms = group(QT_TR_NOOP("경보 "), "gbAlarm");
    lampColumn(alarms, {{"spACF", QT_TR_NOOP("AC입력 전원이상 ")},
                        {"spDCH", QT_TR_NOOP("DC출력 고전압 ")},
                        {"spDCL", QT_TR_NOOP("DC출력 저전압 ")},
                        {"spRF1", QT_TR_NOOP("정류모듈1 Fail")},
                        {"spRF2", QT_TR_NOOP("정류모듈2 Fail")},
                        {"spBF", QT_TR_NOOP("축전지 차단 ")}});
    auto *relays = group(QT_TR_NOOP("경보접점 "), "gbRelay");
    lampColumn(relays, {{"spACF_RY", "AC Fail"},
                        {"spDCF_RY", "DC Fail"},
                        {"spBF_RY", "Battery Fail"},
                        {"spMF_RY", "Module Fail"},
                        {"spMA_RY", QT_TR_NOOP("MA (통합경보)")}});
    auto *battery = group(QT_TR_NOOP("축전지 운용  "), "gbBattery");
    const char *batteryWidest = QT_TR_NOOP("65536 조");
    auto *batteryGrid = rows(battery,
                             {{QT_TR_NOOP("충전전류제한 "), "edtChLimit"},
                              {QT_TR_NOOP("축전지 종류 "), "edtB_Model"},
                              {QT_TR_NOOP("축전지 수량 "), "edtB_Cho"}},
                             batteryWidest);
    labChRelay_ = Caption(QT_TR_NOOP("충전 Relay"), "labChRelay");
    labChRef_ = Caption("CH Reference", "labChRef");
    batteryGrid->addWidget(labChRelay_, 3, 0);
    batteryGrid->addWidget(Field("edtChRelay", batteryWidest), 3, 1);
    batteryGrid->addWidget(labChRef_, 4, 0);
    batteryGrid->addWidget(Field("edtChRef", batteryWidest), 4, 1);
    SetChargeFieldsVisible(false);

    // Column 3: network identity, access control list, watchdog, the other relays.
    const char *address = "255.255.255.255";
    auto *network = group(QT_TR_NOOP("정류기 IP 정보 "), "gbIP");
    auto *netGrid = new QGridLayout(network);
    netGrid->setContentsMargins(kMargin, 2, kMargin, 2);
    netGrid->setVerticalSpacing(2);
    netGrid->addWidget(Caption("IP"), 0, 0);
    netGrid->addWidget(Field("edtIP", address), 0, 1);
    netGrid->addWidget(Caption("Gateway"), 0, 2);
    netGrid->addWidget(Field("edtGW", address), 0, 3);
    netGrid->addWidget(Caption("Subnet"), 1, 0);
    netGrid->addWidget(Field("edtSM", address), 1, 1);
    netGrid->addWidget(Caption("Mac Addr"), 1, 2);
    netGrid->addWidget(Field("edtMAC", "DD.DD.DD.DD.DD.DD"), 1, 3); // D is the widest hex digit
    netGrid->setColumnStretch(4, 1);

    auto *acl = group(QT_TR_NOOP("ACL (Access Control List)  정보 "), "gbACL");
    auto *aclLayout = new QGridLayout(acl);
    aclLayout->setContentsMargins(kMargin, 2, kMargin, 2);
    aclLayout->setVerticalSpacing(2);
    aclLayout->addWidget(Caption(QT_TR_NOOP("ACL 사용(공인망) / 미사용(NCN망) ")), 0, 0, 1, 3);
    aclLayout->addWidget(Field("edtACLEn", "100M"), 0, 3);
    aclLayout->addWidget(Caption(QT_TR_NOOP("장비 ID")), 1, 0);
    auto *deviceId = Field("edtDeviceID", "DDDDDDDDDD");
    deviceId->setAlignment(Qt::AlignCenter);
    aclLayout->addWidget(deviceId, 1, 1);
    aclLayout->addWidget(Caption(QT_TR_NOOP("이더넷 속도 ")), 1, 2);
    aclLayout->addWidget(Field("edtEthSpeed", "100M"), 1, 3);
    aclLayout->setColumnStretch(4, 1);
    auto rangeGroup = [this, address](QGroupBox *g, const char *prefix, bool withNumbers, bool disabled) {
        auto *grid = new QGridLayout(g);
        grid->setContentsMargins(2, 1, 2, 2);
        grid->setVerticalSpacing(1);
        grid->setHorizontalSpacing(2);
        for (int n = 1; n <= 5; ++n) {
            int c = 0;
            if (withNumbers)
                grid->addWidget(Caption(QStringLiteral("#%1").arg(n).toUtf8().constData()), n, c++);
            for (int m = 1; m <= 2; ++m) {
                QByteArray name = QStringLiteral("%1%2%3").arg(prefix).arg(n).arg(m).toLatin1();
                auto *edit = Field(name.constData(), address);
                edit->setAlignment(Qt::AlignCenter);
                // Read-only already; the fixed default ranges only take no focus, so they stay readable.
                if (disabled)
                    edit->setFocusPolicy(Qt::NoFocus);
                grid->addWidget(edit, n, c++);
                if (m == 1)
                    grid->addWidget(Caption("~"), n, c++);
            }
        }
    };
    auto *defaults = group("Default ACL ", "gbDefaultACL");
    rangeGroup(defaults, "edtACL_DIP", false, true);
    auto *added = group(QT_TR_NOOP("ACL 추가 대역"), "gbAddedACL");
    rangeGroup(added, "edtACL_IP", true, false);
    auto *ranges = new QHBoxLayout;
    ranges->setSpacing(3);
    ranges->addWidget(defaults);
    ranges->addWidget(added);
    aclLayout->addLayout(ranges, 2, 0, 1, 5);

    // Watchdog and the other relays as single rows: the third column has the width, not the height.
    auto *watchdog = group("Watchdog ", "gbWatchdog");
    auto *watchdogRow = new QHBoxLayout(watchdog);
    watchdogRow->setContentsMargins(kMargin, 2, kMargin, 2);
    for (auto [caption, name, widest] :
         {std::tuple{QT_TR_NOOP("TCP 접속"), "edtTcpFlag", "OFF"},
          std::tuple{QT_TR_NOOP("TCP 리셋 카운트 "), "edtTcpComFailCnt", "65535"},
          std::tuple{QT_TR_NOOP("Watchdog 카운트 "), "edtWatchdogCnt", "65535"}}) {
        watchdogRow->addWidget(Caption(caption));
        watchdogRow->addWidget(Field(name, widest));
    }
    watchdogRow->addStretch(1);

    relayGroup_ = group(QT_TR_NOOP("기타 운용  "), "gbEtcRelay");
    auto *relayRow = new QHBoxLayout(relayGroup_);
    relayRow->setContentsMargins(kMargin, 2, kMargin, 2);
    for (auto [caption, name] : {std::pair{QT_TR_NOOP("방전 Relay"), "edtDischRelay"},
                                 std::pair{QT_TR_NOOP("온도 High Relay"), "edtTempHRelay"},
                                 std::pair{QT_TR_NOOP("온도 Low Relay"), "edtTempLRelay"}}) {
        relayRow->addWidget(Caption(caption));
        relayRow->addWidget(Field(name, "OFF"));
    }
    relayRow->addStretch(1);
    relayGroup_->setVisible(false);

    auto column = [](std::initializer_list<QWidget *> widgets) {
        auto *c = new QVBoxLayout;
        c->setSpacing(3);
        for (QWidget *w : widgets)
            c->addWidget(w);
        c->addStretch();
        return c;
    };
    auto *columns = new QHBoxLayout(infoGroup_);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(3);
    columns->addLayout(column({clock, measure, firmware, setpoints}));
    columns->addLayout(column({alarms, relays, battery}));
    columns->addLayout(column({network, acl, watchdog, relayGroup_}), 1);
    return page;
}

void TMain_Form::SetChargeFieldsVisible(bool visible) {
    for (QWidget *w :
         {static_cast<QWidget *>(labChRelay_), static_cast<QWidget *>(fields_.value("edtChRelay")),
          static_cast<QWidget *>(labChRef_), static_cast<QWidget *>(fields_.value("edtChRef"))})
        if (w)
            w->setVisible(visible);
}

void TMain_Form::ApplyAccessRules() {
    pageControl_->setVisible(true);
    infoGroup_->setVisible(true);
    // Level-triggered: every decode that may show them shows them, also after Image1 hid the charge
    // fields; nothing here hides them.
    if (ctx_.Session.StatusDecoded()) {
        relayGroup_->setVisible(true);
        SetChargeFieldsVisible(true);
    }
    RenderSession();
}

void TMain_Form::RenderSession() {
    const SessionModel &session = ctx_.Session;
    for (const auto &[name, enabled] : session.Menu())
        if (QAction *a = Action(name); a && a->isEnabled() != enabled)
            a->setEnabled(enabled);
    for (int i : {0, 2}) {
        QString text = QString::fromStdString(session.Panel(i));
        if (panels_[i]->text() != text)
            panels_[i]->setText(text);
    }
    portPanel_->SetFullText(QString::fromStdString(session.Panel(1)));
}

void TMain_Form::ShowStatus(const StatusSnapshot &, const StatusViewModel &view) {
    for (const FieldText &f : view.Fields) {
        auto [at, first] = shownFields_.try_emplace(f.Name);
        ShownField &shown = at->second;
        if (first)
            shown.Edit = fields_.value(QLatin1String(f.Name));
        if (!shown.Edit || (shown.Given && shown.Text == f.Text && shown.Comment == f.Comment))
            continue;
        shown.Given = true;
        shown.Text = f.Text;
        shown.Comment = f.Comment;
        QString text = ShownText(f);
        if (shown.Edit->text() != text)
            shown.Edit->setText(text);
    }
    for (const LampState &l : view.Lamps) {
        auto [at, first] = shownLamps_.try_emplace(l.Name);
        if (first)
            at->second = lamps_.value(QLatin1String(l.Name));
        if (at->second)
            at->second->SetActive(l.Active);
    }
    labAlarmTest_->setVisible(view.AlarmTestLabelVisible);
    RefreshHealth();
    ctx_.Session.SetEthernetLinkText(view.LinkText);
    QString linkText = QString::fromStdString(ctx_.Session.Panel(2));
    if (panels_[2]->text() != linkText)
        panels_[2]->setText(linkText);
}

QString TMain_Form::ShownText(const FieldText &field) {
    const std::string &text = field.Text;
    if (field.Comment)
        return CoreText(text, field.Comment);
    // A count of battery strings is the one field whose Korean comes after a number.
    static const std::string strings = " 조";
    if (text.size() > strings.size() && text.ends_with(strings))
        return tr("%1 조").arg(QString::fromStdString(text.substr(0, text.size() - strings.size())));
    return CoreText(text);
}

QString TMain_Form::HealthText(const LinkHealth &health) {
    // The whole takeover sentence is the tooltip's: the panel has room for the gist.
    if (health.State == HealthState::TakenOver)
        return tr("연결 끊김 (다른 클라이언트?) — 재접속 중");
    return QString::fromStdString(health.Text);
}

QString TMain_Form::HealthToolTip(const LinkHealth &health) {
    QString text =
        health.State == HealthState::TakenOver ? QString::fromStdString(health.Text) : HealthText(health);
    if (health.HeldBack > 0)
        text += "\n" + tr("보류된 폴링: %1건 (요청 %2건이 응답 대기 중일 때)")
                           .arg(health.HeldBack)
                           .arg(health.InFlightLimit);
    return text;
}

void TMain_Form::RefreshHealth() {
    const LinkHealth health = ctx_.Poll.Health();
    // A paused poll wakes nobody: the age shown is brought up to date once a second by itself.
    if (health.AgeTickInMs > 0)
        healthAgeTimer_->start(static_cast<int>(health.AgeTickInMs));
    else
        healthAgeTimer_->stop();
    // Asked on every poll tick: nothing is converted or repainted unless the text changed.
    if (health.Text != healthText_ || health.HeldBack != healthHeldBack_) {
        healthText_ = health.Text;
        healthHeldBack_ = health.HeldBack;
        pnlLinkHealth_->setText(HealthText(health));
        // The panel gives way to the others in a narrow bar: the whole text is one hover away.
        pnlLinkHealth_->setToolTip(HealthToolTip(health));
        pnlLinkHealth_->setAccessibleName(pnlLinkHealth_->toolTip());
        QPalette pal = pnlLinkHealth_->palette();
        pal.setColor(QPalette::Window,
                     health.Stale ? QColor(0xFF, 0xE0, 0x80) : palette().color(QPalette::Window));
        pal.setColor(QPalette::WindowText, health.Stale ? QColor(0x80, 0, 0) : Qt::black);
        pnlLinkHealth_->setPalette(pal);
    }
    if (health.Stale == stale_)
        return;
    stale_ = health.Stale;
    // Old values stay readable (they still help), but greyed so nobody takes them for live ones.
    for (QLineEdit *edit : std::as_const(fields_)) {
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Text, stale_ ? QColor(0x90, 0x90, 0x90) : palette().color(QPalette::Text));
        edit->setPalette(pal);
    }
    for (LampWidget *lamp : std::as_const(lamps_))
        lamp->SetStale(stale_);
    // The Ethernet link text is decoded from the device too: as old as the values.
    QPalette pal = panels_[2]->palette();
    pal.setColor(QPalette::WindowText,
                 stale_ ? QColor(0x90, 0x90, 0x90) : palette().color(QPalette::WindowText));
    panels_[2]->setPalette(pal);
}

void TMain_Form::PaintConnect(bool green) {
    pnlConnect_->SetColors(green ? kBrightGreen : kGrey, Qt::black);
}
void TMain_Form::SetTxLight(bool on) {
    pnlTx_->SetColors(on ? kNavy : kTeal, Qt::white);
}
void TMain_Form::SetRxLight(bool on) {
    pnlRx_->SetColors(on ? kBrightGreen : kGreen, on ? Qt::black : Qt::white);
}

void TMain_Form::LogIn(UserLevel level) {
    ctx_.Session.LogIn(level);
    ctx_.Poll.LoggedIn();
    RenderSession();
}

void TMain_Form::mLoginClick() {
    TfrmRecControl dialog(
        [this](const QString &user, const QString &password) {
            std::optional<UserLevel> level = CheckCredentials(user.toStdString(), password.toStdString());
            if (!level) {
                ctx_.Messages.ShowMessage(kPleaseTryAgain);
                return false;
            }
            LogIn(*level);
            return true;
        },
        this);
    dialog.exec();
}

void TMain_Form::mConnectClick() {
    ConnectionContext cc{ctx_.Poll,
                         ctx_.Link,
                         ctx_.Messages,
                         [this](LinkKind link, const QString &text) { LinkConfirmed(link, text); },
                         [this] { RenderSession(); },
                         ctx_.DefaultHost};
    TfrmComPort dialog(std::move(cc), this);
    dialog.exec();
}

void TMain_Form::LinkConfirmed(LinkKind link, const QString &panelText) {
    bool serial = link == LinkKind::Serial;
    flatPanel3_->setVisible(serial);
    pnlConnect_->setVisible(!serial);
    ctx_.Session.LinkConfirmed(panelText.toStdString());
    RenderSession();
    RefreshHealth();
}

void TMain_Form::mDisconnectClick() {
    OpenConfirmation(1);
}
void TMain_Form::mLogoutClick() {
    OpenConfirmation(2);
}

void TMain_Form::OpenConfirmation(uint8_t confirmMode) {
    confirmMode_ = confirmMode;
    // No request goes out while the question is open.
    ctx_.Poll.ConfirmationOpened();
    TOutMessage dialog(
        confirmMode, [this] { ctx_.Poll.ConfirmationCancelled(); }, [this] { Confirmed(confirmMode_); },
        this);
    dialog.exec();
}

void TMain_Form::Confirmed(uint8_t confirmMode) {
    ctx_.Link.Disconnect();
    if (confirmMode == 2)
        ctx_.Session.LogOut();
    else
        ctx_.Session.LinkClosed();
    PaintConnect(false);
    RenderSession();
    RefreshHealth();
    infoGroup_->setVisible(false);
    confirmMode_ = 0;
}

void TMain_Form::mExitClick() {
    if (ctx_.Link.Disconnect())
        closingWindow_->Start();
    close();
}

void TMain_Form::closeEvent(QCloseEvent *event) {
    emit Closing();
    ctx_.Link.ReleasePort();
    closingWindow_->hide();
    event->accept();
}

void TMain_Form::mHomePageClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
}

void TMain_Form::Image10Click() {
    QLineEdit *fwCnt = fields_.value("edtFwCnt");
    fwCnt->setVisible(fwCnt->isHidden());
}

void TMain_Form::Image1Click() {
    SetChargeFieldsVisible(fields_.value("edtChRelay")->isHidden());
}

} // namespace zephyra
