#include "app/about_window.h"
#include "app/main_window.h"
#include "app/tray_presence.h"
#include "app/update_window.h"
#include "app/windows.h"
#include "gui_support/gui_helpers.h"
#include "gui_support/window_test.h"
#include "platform/browser.h"
#include "platform/host_config.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "query/outcome_text.h"
#include "support/fixture_web.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

namespace kelvane::app {
namespace {

using namespace Qt::StringLiterals;
using test::control;

// A start-up in a fresh, empty working folder, with the hosts played by the fixture web, the
// browser and the error report recorded.
class MainWindowTest : public test::WindowTest {
protected:
    MainWindowTest() : WindowTest(Start::Empty) {}

    void SetUp() override { WindowTest::SetUp(); }
    void TearDown() override {
        DestroyWindows();
        WindowTest::TearDown();
    }
    void startUp() {
        CreateWindows();
        main = Windows().frmMain;
        main->show();
        QApplication::processEvents();
    }

    // Alexa answers after its read time-out: a query waits there for a second.
    void answerAlexaLate() {
        web.route(QStringLiteral("home"), "/api/alexa.asp?d=ab.example",
                  test::Reply().delay(1500).send("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n1"));
    }
    // Presses the query button for ab.example; the query goes on on its worker.
    void pressQuery() {
        control<QComboBox>(main, "txtUrl")->setEditText(QStringLiteral("ab.example"));
        QTest::mouseClick(control<QPushButton>(main, "btnQure"), Qt::LeftButton);
    }
    // Waits until the home service has been asked for a target that holds part.
    bool homeAsked(QStringView part) {
        return QTest::qWaitFor(
            [&] { return !web.requestLines(QStringLiteral("home")).filter(part).isEmpty(); },
            10000);
    }

    test::FixtureWeb web;
    QStringList openedUrls;
    platform::ScopedBrowserLauncher launcher{[this](const QString& url) { openedUrls << url; }};
    TfrmMain* main = nullptr;
};

// The query runs on a worker: a press returns at once, the results come as it goes.
template <typename Press> bool queried(TfrmMain* main, Press&& press) {
    return test::pressAndWait(main, &TfrmMain::siteQueryFinished, std::forward<Press>(press));
}

// The update check behind a close runs on a worker too.
template <typename Close> bool checked(TfrmMain* main, Close&& close) {
    return test::pressAndWait(main, &TfrmMain::updateCheckFinished, std::forward<Close>(close));
}

TEST_F(MainWindowTest, FirstStartCreatesTheWorkingDirectorySilently) {
    startUp();
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("zenvo"))).isDir());
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("zenvo/data"))).isDir());
    const QFileInfo list(folder.filePath(QStringLiteral("zenvo/website.txt")));
    EXPECT_TRUE(list.isFile());
    EXPECT_EQ(list.size(), 0);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
    EXPECT_TRUE(main->txtUrlItems().isEmpty());
}

TEST_F(MainWindowTest, SecondStartLoadsTheSiteList) {
    writeSiteList("ab.example\r\ncd.example\r\n");
    startUp();
    EXPECT_EQ(main->txtUrlItems(),
              (QStringList{QStringLiteral("ab.example"), QStringLiteral("cd.example")}));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MainWindowTest, ControlsStandWhereAndAsTheyShould) {
    startUp();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Kelvane"));
    EXPECT_EQ(main->size(), QSize(484, 366));
    const struct {
        const char* name;
        QRect place;
        const char16_t* hint;
    } buttons[] = {
        {"ibtnManageSite", {8, 17, 31, 31}, u"管理站点"},
        {"ibtnJilu", {42, 17, 31, 31}, u"查询记录"},
        {"ibtnWhois", {77, 17, 31, 31}, u"域名查询"},
        {"ibtnIP", {111, 17, 31, 31}, u"IP地址查询"},
        {"ibtnPaiMing", {146, 17, 31, 31}, u"关键词排名查询"},
        {"ibtnMail", {180, 17, 31, 31}, u"邮件群发"},
        {"ibtnGuanWang", {214, 17, 31, 31}, u"访问官网"},
        {"ibtnAbort", {248, 17, 31, 31}, u"关于软件"},
    };
    for (const auto& b : buttons) {
        if (auto* button = control<QToolButton>(main, b.name)) {
            EXPECT_EQ(button->geometry(), b.place) << b.name;
            EXPECT_EQ(button->toolTip(), QString::fromUtf16(b.hint)) << b.name;
        }
    }
    const struct {
        const char* name;
        QRect place;
    } placed[] = {{"txtUrl", {8, 63, 212, 20}},     {"btnQure", {226, 63, 50, 25}},
                  {"StringGD", {8, 144, 468, 63}},  {"pnlRank", {302, 16, 174, 69}},
                  {"pnlOptions", {8, 93, 468, 45}}, {"pnlBaidu", {8, 213, 468, 27}},
                  {"pnlGoogle", {8, 246, 468, 27}}};
    for (const auto& p : placed) {
        if (auto* widget = control<QWidget>(main, p.name)) {
            EXPECT_EQ(widget->geometry(), p.place) << p.name;
        }
    }
    auto* query = control<QPushButton>(main, "btnQure");
    EXPECT_EQ(query->text(), QStringLiteral("查   询"));
    EXPECT_TRUE(query->isDefault());
    auto* domain = control<QComboBox>(main, "txtUrl");
    EXPECT_TRUE(domain->isEditable());
    EXPECT_EQ(domain->maxVisibleItems(), 8);

    const struct {
        const char* name;
        const char16_t* caption;
        bool ticked;
    } checks[] = {{"chkPageRank", u"PageRank", true},
                  {"chkAlexa", u"Alexa", true},
                  {"chkSogouRank", u"SogouRank", false},
                  {"chkChinaRank", u"ChinaRank", false},
                  {"chkBaidu", u"百度", true},
                  {"chkGoogle", u"谷歌", true},
                  {"chkYahoo", u"雅虎", false},
                  {"chkSogou", u"搜狗", false},
                  {"chkSoso", u"搜搜", false},
                  {"chkYoudao", u"有道", false},
                  {"chkBing", u"必应", false}};
    for (const auto& c : checks) {
        if (auto* check = control<QCheckBox>(main, c.name)) {
            EXPECT_EQ(check->text(), QString::fromUtf16(c.caption)) << c.name;
            EXPECT_EQ(check->isChecked(), c.ticked) << c.name;
        }
    }

    auto* grid = control<QTableWidget>(main, "StringGD");
    EXPECT_EQ(grid->columnCount(), 8);
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->columnWidth(0), 40);
    EXPECT_EQ(grid->columnWidth(1), 60);
    EXPECT_EQ(grid->rowHeight(2), 20);
    EXPECT_EQ(main->StringGDCell(1, 0), QStringLiteral("    百度"));
    EXPECT_EQ(main->StringGDCell(7, 0), QStringLiteral("    必应"));
    EXPECT_EQ(main->StringGDCell(0, 1), QStringLiteral("收录"));
    EXPECT_EQ(main->StringGDCell(0, 2), QStringLiteral("反链"));
    EXPECT_TRUE(main->StringGDCell(0, 0).isEmpty());
    EXPECT_FALSE(main->SouGouRankGVisible());
    EXPECT_EQ(control<QLabel>(main, "lblTitle")->text(), QStringLiteral("Kelvane   Tessaly"));
    EXPECT_EQ(control<QLabel>(main, "lblHomeSite")->text(), web.hostPort(QStringLiteral("home")));
    EXPECT_EQ(main->ImageListPR().size(), 11);
    EXPECT_EQ(main->trayIcon()->toolTip(), QStringLiteral("Kelvane"));
    test::saveScreenshot(main, QStringLiteral("main"));
}

TEST_F(MainWindowTest, EnterRunsTheWholeQueryAndRecordsTheListedSite) {
    writeSiteList("ab.example");
    web.addStandardSite();
    startUp();
    for (const char* name : {"chkSogouRank", "chkChinaRank", "chkYahoo", "chkSogou", "chkSoso",
                             "chkYoudao", "chkBing"})
        control<QCheckBox>(main, name)->setChecked(true);
    auto* domain = control<QComboBox>(main, "txtUrl");
    domain->setEditText(QStringLiteral("ab.example"));

    // Timers fire in the window's event loop while the worker runs: watch the controls.
    int observations = 0;
    bool enabledDuringRun = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++observations;
        enabledDuringRun = enabledDuringRun || main->btnQureEnabled() || main->txtUrlEnabled();
    });
    // The run ends where its end is signalled: the watch with it.
    QObject::connect(main, &TfrmMain::siteQueryFinished, &watch, &QTimer::stop);
    watch.start();
    ASSERT_TRUE(queried(main, [&] { QTest::keyClick(domain->lineEdit(), Qt::Key_Return); }));
    watch.stop();

    EXPECT_GT(observations, 0);
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_TRUE(main->btnQureEnabled());
    EXPECT_TRUE(main->txtUrlEnabled());
    EXPECT_EQ(main->StringGDCell(1, 1), QStringLiteral("12300"));
    EXPECT_EQ(main->StringGDCell(7, 2), QStringLiteral("89"));
    EXPECT_EQ(main->ImagePRImage(), 4);
    EXPECT_TRUE(main->ImagePRVisible());
    EXPECT_TRUE(main->SouGouRankGVisible());
    EXPECT_EQ(main->SouGouRankGPosition(), 0);
    EXPECT_EQ(main->labelText(query::SiteLabel::lblBaiduSite), QStringLiteral("首页第一"));
    EXPECT_EQ(main->labelText(query::SiteLabel::lblGoogleKz), QStringLiteral("2009-12-3"));
    EXPECT_EQ(main->labelText(query::SiteLabel::lblChinaRank), QStringLiteral("12345"));

    QFile history(folder.filePath(QStringLiteral("zenvo/data/ab.example.txt")));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    const QString record = platform::fromAnsi(history.readAll());
    EXPECT_EQ(record.count(QStringLiteral("\r\n")), 1);
    EXPECT_TRUE(record.startsWith(QStringLiteral("12300/4560,1230/45,2345/678,1234/0,1234/56,12/"
                                                 "1230,5670/89,4,0,12,345,12345,")))
        << record.toStdString();
    EXPECT_TRUE(reports.isEmpty());
    test::saveScreenshot(main, QStringLiteral("main-after-query"));
}

// The query waits on a worker: the window takes input meanwhile, shows each result as it
// arrives, and a tick changed during the wait changes the steps still to come.
TEST_F(MainWindowTest, TheWindowTakesInputWhileTheQueryWaits) {
    writeSiteList("ab.example");
    web.addStandardSite();
    answerAlexaLate();
    startUp();
    QSignalSpy finished(main, &TfrmMain::siteQueryFinished);
    pressQuery();
    // Taken before the click returns, so a second press cannot start a second run.
    EXPECT_FALSE(main->btnQureEnabled());
    EXPECT_FALSE(main->txtUrlEnabled());
    ASSERT_TRUE(homeAsked(u"alexa"));
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(main->ImagePRVisible());
    EXPECT_EQ(main->ImagePRImage(), 4);
    EXPECT_TRUE(main->labelText(query::SiteLabel::lblAlexaRank).isEmpty());
    EXPECT_FALSE(main->btnQureEnabled());
    QTest::mouseClick(control<QCheckBox>(main, "chkGoogle"), Qt::LeftButton);
    EXPECT_FALSE(main->options().chkGoogle);

    ASSERT_TRUE(test::waitForSignal(finished, 30000));
    EXPECT_TRUE(main->btnQureEnabled());
    EXPECT_TRUE(main->txtUrlEnabled());
    EXPECT_EQ(main->labelText(query::SiteLabel::lblAlexaRank), QStringLiteral("查询失败"));
    EXPECT_EQ(main->StringGDCell(1, 1), QStringLiteral("12300"));
    EXPECT_EQ(main->StringGDCell(2, 1), QStringLiteral("未选"));
    EXPECT_EQ(main->labelText(query::SiteLabel::lblGoogleKz), QStringLiteral("未选"));
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

// A refused domain starts no run: the box gets the home site's host and the end comes at once.
TEST_F(MainWindowTest, ARefusedDomainEndsTheRunAtOnce) {
    startUp();
    control<QComboBox>(main, "txtUrl")->setEditText(QStringLiteral("not a domain"));
    QSignalSpy finished(main, &TfrmMain::siteQueryFinished);
    control<QPushButton>(main, "btnQure")->click();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(main->txtUrlText(), platform::homeSiteHost());
    EXPECT_TRUE(main->btnQureEnabled());
    EXPECT_TRUE(main->txtUrlEnabled());
}

// The history append runs on the worker; its failure reaches the general error report on the
// window's thread, after the results, with the controls given back.
TEST_F(MainWindowTest, AFailedHistoryAppendIsReportedAfterTheResults) {
    writeSiteList("ab.example");
    web.addStandardSite();
    startUp();
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("zenvo/data/ab.example.txt")));
    control<QComboBox>(main, "txtUrl")->setEditText(QStringLiteral("ab.example"));
    ASSERT_TRUE(queried(main, [&] { control<QPushButton>(main, "btnQure")->click(); }));
    ASSERT_EQ(reports.size(), 1) << reports.join(u'\n').toStdString();
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("Kelvane|")));
    EXPECT_EQ(main->StringGDCell(1, 1), QStringLiteral("12300"));
    EXPECT_TRUE(main->btnQureEnabled());
    EXPECT_TRUE(main->txtUrlEnabled());
}

// Closing the program while a query waits: the window goes, the late results with it.
TEST_F(MainWindowTest, DestroyingTheWindowDuringAQueryDropsItsLateResults) {
    web.addStandardSite();
    answerAlexaLate();
    startUp();
    QSignalSpy finished(main, &TfrmMain::siteQueryFinished);
    pressQuery();
    ASSERT_TRUE(homeAsked(u"alexa"));
    DestroyWindows();
    main = nullptr;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

// Esc while the query waits on a silent service: the wait ends at once, the values not had are
// marked stopped, the steps left send nothing, no history record is written, and the controls
// come back; the next query runs as ever.
TEST_F(MainWindowTest, EscStopsTheQueryAndWritesNoHistory) {
    writeSiteList("ab.example");
    web.addStandardSite();
    web.route(QStringLiteral("home"), "/pr/?domain=ab.example", test::Reply().silent());
    startUp();
    QSignalSpy finished(main, &TfrmMain::siteQueryFinished);
    pressQuery();
    ASSERT_TRUE(homeAsked(u"/pr/"));
    EXPECT_TRUE(finished.isEmpty());
    QTest::keyClick(main, Qt::Key_Escape);
    // Well inside the exchange's deadline of 20 s: only the stop can have ended it.
    ASSERT_TRUE(test::waitForSignal(finished, 10000));

    EXPECT_TRUE(main->btnQureEnabled());
    EXPECT_TRUE(main->txtUrlEnabled());
    const query::Outcome* pageRank = main->outcomes().find(query::SiteField::pageRank());
    ASSERT_NE(pageRank, nullptr);
    EXPECT_EQ(pageRank->reason, query::FallbackReason::Stopped);
    QTableWidgetItem* baidu = control<QTableWidget>(main, "StringGD")->item(1, 1);
    EXPECT_EQ(baidu->text(), QStringLiteral("0"));
    EXPECT_TRUE(baidu->data(query::kOutcomeRole).isValid());
    EXPECT_TRUE(baidu->toolTip().startsWith(QStringLiteral("已停止：")))
        << baidu->toolTip().toStdString();
    EXPECT_TRUE(web.requestLines(QStringLiteral("baidu")).isEmpty());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("zenvo/data/ab.example.txt"))));
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();

    web.addStandardSite();
    ASSERT_TRUE(queried(main, [&] { control<QPushButton>(main, "btnQure")->click(); }));
    EXPECT_EQ(main->StringGDCell(1, 1), QStringLiteral("12300"));
    EXPECT_TRUE(main->outcomes().failures().isEmpty());
    QFile history(folder.filePath(QStringLiteral("zenvo/data/ab.example.txt")));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_EQ(history.readAll().count("\r\n"), 1);
}

TEST_F(MainWindowTest, FailedValuesAreDrawnApartWithTheirReasonUntilTheNextRun) {
    writeSiteList("ab.example");
    web.addStandardSite();
    web.routeRedirect(QStringLiteral("baidu"), "/s?wd=site:ab.example",
                      "http://wappass.baidu.com/captcha");
    web.route(QStringLiteral("baidu"), "/s?wd=domain:ab.example",
              test::Reply().send("HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"));
    web.route(QStringLiteral("home"), "/api/alexa.asp?d=ab.example",
              test::Reply().delay(1500).send("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n1"));
    startUp();
    auto* domain = control<QComboBox>(main, "txtUrl");
    auto* grid = control<QTableWidget>(main, "StringGD");
    domain->setEditText(QStringLiteral("ab.example"));
    ASSERT_TRUE(queried(
        main, [&] { QTest::mouseClick(control<QPushButton>(main, "btnQure"), Qt::LeftButton); }));

    const QString baidu = web.hostPort(QStringLiteral("baidu")).section(u':', 0, 0);
    const QString home = web.hostPort(QStringLiteral("home")).section(u':', 0, 0);
    struct Cell {
        int column, row;
        const char16_t* text;
        const char16_t* toolTip; // null: drawn as usual
    } cells[] = {
        {1, 1, u"0", u"被拦截（验证码页面）：%1"},
        {1, 2, u"0", u"HTTP 500：%1"},
        {2, 1, u"1230", nullptr},
    };
    for (const Cell& c : cells) {
        SCOPED_TRACE(testing::Message() << c.column << "," << c.row);
        QTableWidgetItem* item = grid->item(c.row, c.column);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), QString::fromUtf16(c.text)); // the value stays as it was
        EXPECT_EQ(item->data(query::kOutcomeRole).isValid(), c.toolTip != nullptr);
        EXPECT_EQ(item->toolTip(),
                  c.toolTip ? QString::fromUtf16(c.toolTip).arg(baidu) : QString());
    }
    struct Label {
        const char* name;
        const char16_t* text;
        QString toolTip;
    } labels[] = {
        {"lblAlexaRank", u"查询失败", u"超时：%1"_s.arg(home)},
        {"lblBaiduSite", u"", u"被拦截（验证码页面）：%1"_s.arg(baidu)},
        {"lblGoogleSite", u"首页第一", QString()},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(l.name);
        auto* label = control<QLabel>(main, l.name);
        EXPECT_EQ(label->text(), QString::fromUtf16(l.text));
        EXPECT_EQ(label->toolTip(), l.toolTip);
        const bool marked = label->findChild<QWidget*>(QStringLiteral("outcomeMark")) != nullptr;
        EXPECT_EQ(marked, !l.toolTip.isEmpty());
    }
    test::saveScreenshot(main, QStringLiteral("main-with-failures"));

    // A clean run takes every mark away.
    web.addStandardSite();
    control<QCheckBox>(main, "chkAlexa")->setChecked(false);
    ASSERT_TRUE(queried(
        main, [&] { QTest::mouseClick(control<QPushButton>(main, "btnQure"), Qt::LeftButton); }));
    EXPECT_EQ(main->StringGDCell(1, 1), QStringLiteral("12300"));
    EXPECT_FALSE(grid->item(1, 1)->data(query::kOutcomeRole).isValid());
    EXPECT_TRUE(control<QLabel>(main, "lblBaiduSite")->toolTip().isEmpty());
    EXPECT_EQ(control<QLabel>(main, "lblAlexaRank")->findChild<QWidget*>(u"outcomeMark"_s),
              nullptr);
    EXPECT_TRUE(main->outcomes().failures().isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MainWindowTest, CloseHidesAndAnnouncesOnlyANewerVersion) {
    const ScopedTrayAvailability tray(true);
    startUp();
    const struct {
        const char* published;
        bool announced;
    } cases[] = {{"1.8", false},  {"1.81", true},     {"2", true},
                 {"1.79", false}, {"1.9\r\n", false}, {" 1.9 ", true}};
    for (const auto& c : cases) {
        web.route(QStringLiteral("home"), "/version.html",
                  test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, c.published));
        Windows().frmUpdate->hide();
        main->show();
        ASSERT_TRUE(checked(main, [&] { main->close(); })) << c.published;
        EXPECT_FALSE(main->isVisible()) << c.published;
        EXPECT_EQ(Windows().frmUpdate->isVisible(), c.announced) << c.published;
    }
    EXPECT_TRUE(main->trayIcon()->isVisible());
    test::saveScreenshot(Windows().frmUpdate, QStringLiteral("update"));
}

TEST_F(MainWindowTest, CloseWithoutAServerShowsNothing) {
    const ScopedTrayAvailability tray(true);
    startUp();
    // The fixture web answers 404 for the version page; a refused port behaves the same.
    ASSERT_TRUE(checked(main, [&] { main->close(); }));
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(Windows().frmUpdate->isVisible());
    EXPECT_TRUE(reports.isEmpty());
}

// GNOME's default desktop has no notification area, nor has the offscreen platform: a hidden
// main window could never come back, so closing minimises it and the check runs as ever.
TEST_F(MainWindowTest, WithoutANotificationAreaCloseMinimisesAndStillChecks) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    ASSERT_FALSE(trayAvailable());
    web.route(QStringLiteral("home"), "/version.html",
              test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, "1.9"));
    startUp();
    for (int round = 1; round <= 2; ++round) {
        Windows().frmUpdate->hide();
        main->N6Click();
        ASSERT_FALSE(main->isMinimized()) << round;
        ASSERT_TRUE(checked(main, [&] { main->close(); })) << round;
        QApplication::processEvents();
        EXPECT_TRUE(main->isVisible()) << round;
        EXPECT_TRUE(main->isMinimized()) << round;
        EXPECT_TRUE(Windows().frmUpdate->isVisible()) << round;
        EXPECT_EQ(web.requestLines(QStringLiteral("home"))
                      .filter(QStringLiteral("GET /version.html "))
                      .size(),
                  round);
    }
    // Minimised by hand it stays on the taskbar too.
    main->N6Click();
    main->showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->trayIcon()->isVisible());
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

TEST_F(MainWindowTest, MinimisingHidesIntoTheTrayWhenThereIsOne) {
    const ScopedTrayAvailability tray(true);
    startUp();
    main->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(main->isVisible());
    main->N6Click();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isMinimized());
}

// Every value is scraped from a page a stranger serves: markup is shown as it came.
TEST_F(MainWindowTest, ResultLabelsShowMarkupAsText) {
    const QByteArray markup = "<html><body>nothing here</body></html>";
    web.route(QStringLiteral("home"), "/api/alexa.asp?d=ab.example",
              test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, markup));
    startUp();
    for (const char* name : {"chkPageRank", "chkBaidu", "chkGoogle"})
        control<QCheckBox>(main, name)->setChecked(false);
    control<QComboBox>(main, "txtUrl")->setEditText(QStringLiteral("ab.example"));
    ASSERT_TRUE(queried(main, [&] { control<QPushButton>(main, "btnQure")->click(); }));
    const QString shown = QString::fromLatin1(markup);
    EXPECT_EQ(main->labelText(query::SiteLabel::lblAlexaRank), shown);

    const struct {
        query::SiteLabel which;
        const char* name;
    } labels[] = {{query::SiteLabel::lblAlexaRank, "lblAlexaRank"},
                  {query::SiteLabel::lblChinaRank, "lblChinaRank"},
                  {query::SiteLabel::lblBaiduSite, "lblBaiduSite"},
                  {query::SiteLabel::lblBaiduKz, "lblBaiduKz"},
                  {query::SiteLabel::lblGoogleSite, "lblGoogleSite"},
                  {query::SiteLabel::lblGoogleKz, "lblGoogleKz"}};
    for (const auto& l : labels) {
        main->setLabelText(l.which, shown);
        auto* label = control<QLabel>(main, l.name);
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << l.name;
        // Rendered markup would be only as wide as "nothing here".
        EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(shown))
            << l.name;
    }
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

TEST_F(MainWindowTest, TrayMenuItemsEachHaveTheirOwnIcon) {
    startUp();
    const QList<QAction*> items = main->trayIcon()->contextMenu()->actions();
    ASSERT_EQ(items.size(), 5);
    QList<QImage> pictures;
    for (const QAction* item : items) {
        const QImage picture = item->icon().pixmap(16, 16).toImage();
        EXPECT_FALSE(picture.isNull()) << item->objectName().toStdString();
        for (const QImage& earlier : pictures)
            EXPECT_NE(picture, earlier) << item->objectName().toStdString();
        pictures << picture;
    }
}

TEST_F(MainWindowTest, TrayMenuAndBrowserButtons) {
    startUp();
    main->hide();
    main->N6Click();
    EXPECT_TRUE(main->isVisible());

    TfrmAbout* first = Windows().frmAbout;
    main->N8Click();
    main->N8Click();
    TfrmAbout* third = Windows().frmAbout;
    EXPECT_NE(first, third);
    int aboutWindows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QWidget*>(widget) && widget->objectName() == u"frmAbout" &&
            widget->isVisible())
            ++aboutWindows;
    }
    EXPECT_EQ(aboutWindows, 2);
    EXPECT_EQ(control<QLabel>(third, "lblLink")->text(),
              web.hostPort(QStringLiteral("home")).toUpper());
    test::saveScreenshot(third, QStringLiteral("about"));

    const QString home = QStringLiteral("http://") + web.hostPort(QStringLiteral("home"));
    main->N7Click();
    main->N9Click();
    auto* domain = control<QComboBox>(main, "txtUrl");
    domain->setEditText(QString());
    main->ibtnGuanWangClick();
    main->StringGDDblClick();
    domain->setEditText(QStringLiteral("ab.example"));
    main->ibtnGuanWangClick();
    main->StringGDDblClick();
    EXPECT_EQ(openedUrls,
              (QStringList{home, home, home, home + QStringLiteral("/?domain=ab.example"),
                           home + QStringLiteral("/?domain=ab.example")}));

    main->N10Click();
    EXPECT_FALSE(main->trayIcon()->isVisible());
}

TEST_F(MainWindowTest, ToolbarShowsAWindowOnceAndBringsItForward) {
    startUp();
    auto* about = control<QToolButton>(main, "ibtnAbort");
    about->click();
    about->click();
    EXPECT_TRUE(Windows().frmAbout->isVisible());
    int aboutWindows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        aboutWindows += widget->objectName() == u"frmAbout" ? 1 : 0;
    EXPECT_EQ(aboutWindows, 1);
}

TEST_F(MainWindowTest, AnEscapingErrorIsReportedAndTheProgramGoesOn) {
    startUp();
    // The site list vanishes: the next activation empties the list and reports the failure,
    // once, however often the window is activated again.
    QFile::remove(folder.filePath(QStringLiteral("zenvo/website.txt")));
    main->FormActivate();
    main->FormActivate();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("Kelvane|")));
    EXPECT_TRUE(reports[0].endsWith(u'.'));
    EXPECT_TRUE(main->txtUrlItems().isEmpty());
    writeSiteList("ab.example");
    main->FormActivate();
    EXPECT_EQ(main->txtUrlItems(), QStringList{QStringLiteral("ab.example")});
    EXPECT_EQ(reports.size(), 1);
}

TEST(ErrorReport, AppendsAFullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(widgets::errorReportText(QStringLiteral("Read timed out.")),
              QStringLiteral("Read timed out."));
    EXPECT_EQ(widgets::errorReportText(QStringLiteral("disk full")), QStringLiteral("disk full."));
    EXPECT_EQ(widgets::errorReportText(QStringLiteral("code 12")), QStringLiteral("code 12."));
    EXPECT_EQ(widgets::errorReportText(QStringLiteral("what-")), QStringLiteral("what-"));
    EXPECT_EQ(widgets::errorReportText(QStringLiteral("失败")), QStringLiteral("失败."));
    EXPECT_EQ(widgets::errorReportText(QString()), QString());
}

TEST(ErrorReport, GuardedTurnsAnEscapingErrorIntoTheReport) {
    QStringList reports;
    widgets::ScopedErrorReportSink sink(
        [&](const QString& title, const QString& text) { reports << title + u'|' + text; });
    widgets::guarded([] { throw std::runtime_error("boom"); });
    widgets::guarded([] {});
    EXPECT_EQ(reports, QStringList{QStringLiteral("Kelvane|boom.")});
}

} // namespace
} // namespace kelvane::app
