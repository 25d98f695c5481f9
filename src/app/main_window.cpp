#include "app/main_window.h"

#include "app/about_window.h"
#include "app/pictures.h"
#include "app/site_query_proxy.h"
#include "app/tray_presence.h"
#include "app/update_window.h"
#include "app/windows.h"
#include "platform/browser.h"
#include "platform/host_config.h"
#include "query/grid_titles.h"
#include "query/site_query_driver.h"
#include "query/standard_probes.h"
#include "store/history.h"
#include "store/site_list.h"
#include "store/working_directory.h"
#include "update/update_check.h"
#include "widgets/domain_box.h"
#include "widgets/error_report.h"
#include "widgets/labels.h"
#include "widgets/link_label.h"
#include "widgets/outcome_mark.h"
#include "widgets/product_font.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

namespace kelvane::app {

namespace {

constexpr int kClientWidth = 484;
constexpr int kClientHeight = 366;

QFrame* framedPanel(QWidget* parent, const QRect& place) {
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(place);
    return panel;
}

// What a toolbar button does: show one of the other windows, or a handler of the main window.
struct ToolButtonSpec {
    const char* name;
    const char16_t* hint;
    ToolPicture picture;
    int left;
    QWidget* (*window)(const KelvaneWindows&) = nullptr;
    void (TfrmMain::*click)() = nullptr;
};

constexpr ToolButtonSpec kToolButtons[] = {
    {.name = "ibtnManageSite",
     .hint = u"管理站点",
     .picture = ToolPicture::ManageSite,
     .left = 8,
     .window = [](const KelvaneWindows& w) { return w.frmManiSite; }},
    {.name = "ibtnJilu",
     .hint = u"查询记录",
     .picture = ToolPicture::History,
     .left = 42,
     .window = [](const KelvaneWindows& w) { return w.frmJilu; }},
    {.name = "ibtnWhois",
     .hint = u"域名查询",
     .picture = ToolPicture::Whois,
     .left = 77,
     .window = [](const KelvaneWindows& w) { return w.frmWhois; }},
    {.name = "ibtnIP",
     .hint = u"IP地址查询",
     .picture = ToolPicture::Ip,
     .left = 111,
     .window = [](const KelvaneWindows& w) { return w.frmIP; }},
    {.name = "ibtnPaiMing",
     .hint = u"关键词排名查询",
     .picture = ToolPicture::Ranking,
     .left = 146,
     .window = [](const KelvaneWindows& w) { return w.frmKeyWord; }},
    {.name = "ibtnMail",
     .hint = u"邮件群发",
     .picture = ToolPicture::Mail,
     .left = 180,
     .window = [](const KelvaneWindows& w) { return w.frmMail; }},
    {.name = "ibtnGuanWang",
     .hint = u"访问官网",
     .picture = ToolPicture::Site,
     .left = 214,
     .click = &TfrmMain::ibtnGuanWangClick},
    {.name = "ibtnAbort",
     .hint = u"关于软件",
     .picture = ToolPicture::About,
     .left = 248,
     .window = [](const KelvaneWindows& w) -> QWidget* { return w.frmAbout; }},
};

struct CheckSpec {
    const char* name;
    const char16_t* caption;
    query::Tick query::SiteQueryOptions::*flag;
    int left;
    int row;
};

constexpr CheckSpec kChecks[] = {
    {"chkPageRank", u"PageRank", &query::SiteQueryOptions::chkPageRank, 70, 0},
    {"chkAlexa", u"Alexa", &query::SiteQueryOptions::chkAlexa, 160, 0},
    {"chkSogouRank", u"SogouRank", &query::SiteQueryOptions::chkSogouRank, 225, 0},
    {"chkChinaRank", u"ChinaRank", &query::SiteQueryOptions::chkChinaRank, 320, 0},
    {"chkBaidu", u"百度", &query::SiteQueryOptions::chkBaidu, 70, 1},
    {"chkGoogle", u"谷歌", &query::SiteQueryOptions::chkGoogle, 125, 1},
    {"chkYahoo", u"雅虎", &query::SiteQueryOptions::chkYahoo, 180, 1},
    {"chkSogou", u"搜狗", &query::SiteQueryOptions::chkSogou, 235, 1},
    {"chkSoso", u"搜搜", &query::SiteQueryOptions::chkSoso, 290, 1},
    {"chkYoudao", u"有道", &query::SiteQueryOptions::chkYoudao, 345, 1},
    {"chkBing", u"必应", &query::SiteQueryOptions::chkBing, 400, 1},
};

} // namespace

TfrmMain::TfrmMain() : QWidget(nullptr) {
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf16(widgets::kApplicationTitle));
    setFont(widgets::productFont());
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    imageListPR_ = DrawPageRankBars();

    for (int variant = 0; variant < 2; ++variant) {
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("imgDecoration%1").arg(variant + 1));
        picture->setPixmap(DrawDecoration(variant));
        picture->setGeometry(variant == 0 ? 4 : 133, 251, 165, 107);
    }
    buildToolbar();
    buildRankPanel();
    buildQueryRow();
    buildOptionsPanel();
    buildGrid();
    buildSnapshotPanels();
    buildFooter();
    buildTray();

    query::SetGridTitles(*this);
    widgets::guarded([this] {
        if (const std::optional<QStringList> list = store::PrepareWorkingDirectory())
            reloadSiteList(*list);
    });
}

void TfrmMain::buildToolbar() {
    for (const ToolButtonSpec& spec : kToolButtons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setToolTip(QString::fromUtf16(spec.hint));
        button->setIcon(DrawToolPicture(spec.picture));
        button->setIconSize(QSize(27, 27));
        button->setAutoRaise(true);
        button->setGeometry(spec.left, 17, 31, 31);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, &spec] {
            widgets::guarded([this, &spec] {
                if (spec.window)
                    ShowWindow(spec.window(Windows()));
                else
                    (this->*spec.click)();
            });
        });
    }
}

void TfrmMain::buildRankPanel() {
    QFrame* panel = framedPanel(this, QRect(302, 16, 174, 69));
    panel->setObjectName(QStringLiteral("pnlRank"));
    const char16_t* captions[] = {u"PageRank：", u"SogouRank：", u"AlexaRank：", u"ChinaRank："};
    for (int row = 0; row < 4; ++row)
        widgets::placedLabel(QString::fromUtf16(captions[row]), panel, QPoint(6, 3 + 16 * row));

    ImagePR_ = new QLabel(panel);
    ImagePR_->setObjectName(QStringLiteral("ImagePR"));
    ImagePR_->setGeometry(82, 3, 68, 16);
    SouGouRankG_ = new QProgressBar(panel);
    SouGouRankG_->setObjectName(QStringLiteral("SouGouRankG"));
    SouGouRankG_->setGeometry(82, 21, 66, 12);
    SouGouRankG_->setRange(0, kGaugeMax);
    SouGouRankG_->setValue(0);
    SouGouRankG_->setTextVisible(false);
    SouGouRankG_->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid #8a8a8a; background: #f4f4f4; }"
                       "QProgressBar::chunk { background: #2e9e3a; }"));
    SouGouRankG_->hide();

    QFont bold = font();
    bold.setBold(true);
    for (const query::SiteLabel rank :
         {query::SiteLabel::lblAlexaRank, query::SiteLabel::lblChinaRank}) {
        const int row = static_cast<int>(rank);
        addResultLabel(rank, panel, QRect(82, 35 + 16 * row, 90, 16))->setFont(bold);
    }
}

void TfrmMain::buildQueryRow() {
    txtUrl_ = widgets::newDomainBox(this, QRect(8, 63, 212, 20));

    btnQure_ = new QPushButton(QStringLiteral("查   询"), this);
    btnQure_->setObjectName(QStringLiteral("btnQure"));
    btnQure_->setGeometry(226, 63, 50, 25);
    btnQure_->setDefault(true);
    connect(btnQure_, &QPushButton::clicked, this, [this] { btnQureClick(); });
}

void TfrmMain::buildOptionsPanel() {
    QFrame* panel = framedPanel(this, QRect(8, 93, 468, 45));
    panel->setObjectName(QStringLiteral("pnlOptions"));
    widgets::placedLabel(QStringLiteral("查询选项："), panel, QPoint(6, 4));
    const query::SiteQueryOptions initial;
    for (const CheckSpec& spec : kChecks) {
        auto* check = new QCheckBox(QString::fromUtf16(spec.caption), panel);
        check->setObjectName(QString::fromLatin1(spec.name));
        check->setChecked(initial.*spec.flag);
        check->move(spec.left, 2 + 20 * spec.row);
        check->adjustSize();
        query::Tick query::SiteQueryOptions::*flag = spec.flag;
        // The driver reads each tick when its step begins, so keep the flags live.
        connect(check, &QCheckBox::toggled, this, [this, flag](bool on) { options_.*flag = on; });
    }
}

void TfrmMain::buildGrid() {
    StringGD_ = new QTableWidget(kGridRows, kGridColumns, this);
    StringGD_->setObjectName(QStringLiteral("StringGD"));
    StringGD_->setGeometry(8, 144, 468, 63);
    StringGD_->horizontalHeader()->hide();
    StringGD_->verticalHeader()->hide();
    StringGD_->setItemDelegate(new widgets::OutcomeMarkDelegate(StringGD_));
    StringGD_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGD_->setSelectionMode(QAbstractItemView::NoSelection);
    StringGD_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGD_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGD_->setColumnWidth(0, 40);
    for (int column = 1; column < kGridColumns; ++column)
        StringGD_->setColumnWidth(column, 60);
    for (int row = 0; row < kGridRows; ++row)
        StringGD_->setRowHeight(row, 20);
    const QBrush titleBrush = palette().button();
    for (int column = 0; column < kGridColumns; ++column) {
        for (int row = 0; row < kGridRows; ++row) {
            auto* item = new QTableWidgetItem;
            if (row == 0 || column == 0)
                item->setBackground(titleBrush);
            StringGD_->setItem(row, column, item);
        }
    }
    connect(StringGD_, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { widgets::guarded([this] { StringGDDblClick(); }); });
}

void TfrmMain::buildSnapshotPanels() {
    const struct {
        const char* panel;
        const char16_t* caption;
        int top;
        query::SiteLabel site;
        query::SiteLabel snapshot;
    } rows[] = {
        {"pnlBaidu", u"百度 SITE：", 213, query::SiteLabel::lblBaiduSite,
         query::SiteLabel::lblBaiduKz},
        {"pnlGoogle", u"谷歌 SITE：", 246, query::SiteLabel::lblGoogleSite,
         query::SiteLabel::lblGoogleKz},
    };
    for (const auto& row : rows) {
        QFrame* panel = framedPanel(this, QRect(8, row.top, 468, 27));
        panel->setObjectName(QString::fromLatin1(row.panel));
        widgets::placedLabel(QString::fromUtf16(row.caption), panel, QPoint(8, 6));
        widgets::placedLabel(QStringLiteral("快照时间："), panel, QPoint(220, 6));
        addResultLabel(row.site, panel, QRect(78, 6, 130, 16));
        addResultLabel(row.snapshot, panel, QRect(282, 6, 180, 16));
    }
}

QLabel* TfrmMain::addResultLabel(query::SiteLabel which, QWidget* panel, const QRect& place) {
    auto* label = new QLabel(panel);
    label->setObjectName(QString::fromLatin1(query::kSiteLabelNames[static_cast<size_t>(which)]));
    // The values are scraped from pages: markup in an answer is shown, never rendered.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(place);
    labels_[static_cast<size_t>(which)] = label;
    return label;
}

void TfrmMain::buildFooter() {
    auto* title = widgets::placedLabel(QStringLiteral("Kelvane   Tessaly"), this, QPoint(333, 318));
    title->setObjectName(QStringLiteral("lblTitle"));
    widgets::placedLabel(QStringLiteral("Powered by："), this, QPoint(333, 342));
    auto* site = widgets::placedLabel(platform::homeSiteHost(), this, QPoint(402, 341));
    site->setObjectName(QStringLiteral("lblHomeSite"));
    QFont underlined = site->font();
    underlined.setUnderline(true);
    site->setFont(underlined);
    site->setStyleSheet(QStringLiteral("color: blue"));
    site->setCursor(Qt::PointingHandCursor);
    site->adjustSize();
}

void TfrmMain::buildTray() {
    tray_ = new QSystemTrayIcon(DrawTrayIcon(), this);
    tray_->setObjectName(QStringLiteral("trayIcon"));
    tray_->setToolTip(QString::fromUtf16(widgets::kApplicationTitle));
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("trayMenu"));
    const struct {
        const char* name;
        const char16_t* caption;
        MenuPicture picture;
        void (TfrmMain::*slot)();
    } items[] = {
        {"N6", u"打开工具", MenuPicture::Open, &TfrmMain::N6Click},
        {"N7", u"访问官网", MenuPicture::Site, &TfrmMain::N7Click},
        {"N8", u"关于软件", MenuPicture::About, &TfrmMain::N8Click},
        {"N9", u"在线升级", MenuPicture::Upgrade, &TfrmMain::N9Click},
        {"N10", u"退出程序", MenuPicture::Exit, &TfrmMain::N10Click},
    };
    for (const auto& item : items) {
        QAction* action =
            menu->addAction(DrawMenuPicture(item.picture), QString::fromUtf16(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        auto slot = item.slot;
        connect(action, &QAction::triggered, this,
                [this, slot] { widgets::guarded([this, slot] { (this->*slot)(); }); });
    }
    tray_->setContextMenu(menu);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::DoubleClick)
                    widgets::guarded([this] { N6Click(); });
            });
    tray_->show();
}

void TfrmMain::btnQureClick() {
    widgets::guarded([this] {
        // Taken here, so the controls are disabled before the click returns.
        if (!query::SiteQueryDriver::begin(*this, platform::homeSiteHost())) {
            Q_EMIT siteQueryFinished();
            return;
        }
        auto proxy = std::make_shared<SiteQueryProxy>(*this, this);
        queryRun_.start(
            [this, proxy] {
                query::SiteQueryDriver driver(
                    *proxy, options_, query::StandardSiteQueryProbes({}),
                    [proxy](const QString& pageRank) { store::SaveToFile(*proxy, pageRank); },
                    platform::homeSiteHost());
                driver.runSteps();
            },
            [this, proxy] {
                proxy->giveControlsBack();
                Q_EMIT siteQueryFinished();
            });
    });
}

void TfrmMain::stopSiteQuery() {
    queryRun_.stop();
}

void TfrmMain::ibtnGuanWangClick() {
    const QString domain = txtUrlText();
    platform::openInBrowser(domain.isEmpty()
                                ? widgets::homePageUrl()
                                : widgets::homePageUrl() + QStringLiteral("/?domain=") + domain);
}

void TfrmMain::StringGDDblClick() {
    const QString domain = txtUrlText();
    if (!domain.isEmpty())
        platform::openInBrowser(widgets::homePageUrl() + QStringLiteral("/?domain=") + domain);
}

void TfrmMain::FormActivate() {
    activationFailure_.run([this] {
        // Emptied first, so a list that cannot be read leaves nothing stale behind.
        reloadSiteList({});
        reloadSiteList(store::ReadSiteList());
    });
}

void TfrmMain::reloadSiteList(const QStringList& entries) {
    widgets::replaceDomainList(txtUrl_, entries);
}

void TfrmMain::FormCloseQuery() {
    putAway();
    if (updateRun_.isRunning())
        return;
    updateRun_.ask<bool>([] { return update::CheckForUpdate(); },
                         [](bool newer) {
                             if (newer)
                                 ShowWindow(Windows().frmUpdate);
                         },
                         [this] { Q_EMIT updateCheckFinished(); });
}

void TfrmMain::putAway() {
    // Without a notification area a hidden window could never come back and the process would
    // run on unreachable; minimised, it keeps its taskbar entry, and closing still never ends
    // the program nor skips the update check.
    if (trayAvailable())
        hide();
    else
        showMinimized();
}

void TfrmMain::N6Click() {
    setWindowOpacity(1.0);
    showNormal();
    raise();
    activateWindow();
}

void TfrmMain::N7Click() {
    platform::openInBrowser(widgets::homePageUrl());
}

void TfrmMain::N8Click() {
    ShowWindow(CreateAboutWindow());
}

void TfrmMain::N9Click() {
    platform::openInBrowser(widgets::homePageUrl());
}

void TfrmMain::N10Click() {
    // Ends the run at once: no close request, no update check, and a query in flight stops.
    tray_->hide();
    queryRun_.stop();
    updateRun_.stop();
    QCoreApplication::exit(0);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    event->ignore();
    FormCloseQuery();
}

void TfrmMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isMinimized() && trayAvailable())
        QMetaObject::invokeMethod(
            this, [this] { hide(); }, Qt::QueuedConnection);
    else if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QWidget::changeEvent(event);
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
    // The query button is the window's default button: Enter presses it while it is enabled.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        btnQure_->isEnabled()) {
        btnQure_->click();
        return;
    }
    // Esc stops a query: the exchange in flight ends at once, the steps left send nothing.
    if (event->key() == Qt::Key_Escape) {
        stopSiteQuery();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kelvane::app
