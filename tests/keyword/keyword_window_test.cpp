#include "gui_support/gui_helpers.h"
#include "gui_support/window_test.h"
#include "keyword/keyword_window.h"
#include "keyword_web.h"
#include "platform/browser.h"
#include "platform/text_codec.h"
#include "widgets/error_report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::control;

const char* const kResultEdits[] = {"txtBaidu", "txtGoogle", "txtYahoo", "txtSogou",
                                    "txtSoso",  "txtYodao",  "txtBing"};
const char* const kSmallButtons[] = {"sbBaidu", "sbGoogle", "sbYahoo", "sbSogou",
                                     "sbSoso",  "sbYoudao", "sbBing"};
const char* const kChecks[] = {"rbBaidu", "rdGoogle", "rdYahoo", "rdSogou",
                               "rdSoso",  "rdYodao",  "rdBing"};

class KeywordWindowTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeSiteList("ab.example\r\ncd.example\r\n");
    }
    QString result(keyword::TfrmKeyWord& window, int engine) {
        return control<QLineEdit>(&window, kResultEdits[engine])->text();
    }
    bool smallShown(keyword::TfrmKeyWord& window, int engine) {
        return control<QToolButton>(&window, kSmallButtons[engine])->isVisibleTo(&window);
    }

    test::FixtureWeb web;
    QStringList opened;
    platform::ScopedBrowserLauncher launcher{[this](const QString& url) { opened << url; }};
};

// The searches run on a worker: a press returns at once, the results come as they go.
bool searched(keyword::TfrmKeyWord& window) {
    return test::pressAndWait(&window, &keyword::TfrmKeyWord::keywordRankFinished,
                              [&] { control<QPushButton>(&window, "btnCX")->click(); });
}

TEST_F(KeywordWindowTest, ControlsAsTheWindowOpens) {
    keyword::TfrmKeyWord window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" 关键词排名查询"));
    EXPECT_EQ(window.size(), QSize(490, 314));
    EXPECT_EQ(control<QComboBox>(&window, "txtUrl")->count(), 2);
    EXPECT_EQ(control<QPushButton>(&window, "btnCX")->text(), QStringLiteral("开始查询"));
    EXPECT_EQ(control<QPushButton>(&window, "btnMD")->text(), QStringLiteral("查询设置"));
    auto* start = control<QSpinBox>(&window, "seStart");
    auto* end = control<QSpinBox>(&window, "seEnd");
    EXPECT_EQ(start->value(), 1);
    EXPECT_EQ(end->value(), 5);
    EXPECT_EQ(end->minimum(), 1);
    EXPECT_EQ(end->maximum(), 100);
    for (int i = 0; i < query::kEngineCount; ++i) {
        EXPECT_EQ(control<QCheckBox>(&window, kChecks[i])->isChecked(), i < 2) << kChecks[i];
        EXPECT_FALSE(smallShown(window, i)) << kSmallButtons[i];
        EXPECT_EQ(control<QToolButton>(&window, kSmallButtons[i])->toolTip(),
                  QStringLiteral("官网查询"));
    }
    EXPECT_FALSE(control<QLineEdit>(&window, "D2I")->isVisibleTo(&window));
    window.show();
    test::saveScreenshot(&window, QStringLiteral("keyword"));
}

TEST_F(KeywordWindowTest, InitialRunSearchesBaiduThenGoogleAndMarksTheRest) {
    // Google lists the site fourth on page 2: rank 14.
    QStringList page2 = test::otherEntries(3);
    page2 << QStringLiteral("www.ab.example/");
    web.route(test::hostKey(query::EngineId::Google),
              test::pageTarget(query::EngineId::Google, "seo", 2),
              test::okPage(test::resultPage(query::EngineId::Google, page2)));
    web.route(test::hostKey(query::EngineId::Google),
              test::pageTarget(query::EngineId::Google, "seo", 1),
              test::okPage(test::resultPage(query::EngineId::Google, test::otherEntries(10))));
    for (int page = 1; page <= 5; ++page) {
        web.route(test::hostKey(query::EngineId::Baidu),
                  test::pageTarget(query::EngineId::Baidu, "seo", page),
                  test::okPage(test::resultPage(query::EngineId::Baidu, test::otherEntries(10))));
    }
    keyword::TfrmKeyWord window;
    window.show();
    control<QComboBox>(&window, "txtUrl")->setEditText(QStringLiteral("ab.example"));
    control<QLineEdit>(&window, "txtKeyword")->setText(QStringLiteral("seo"));

    // Every text the Baidu box shows; timers fire in the window's event loop while the worker
    // searches: watch the button.
    QStringList seen;
    QObject::connect(control<QLineEdit>(&window, kResultEdits[0]), &QLineEdit::textChanged,
                     [&](const QString& text) {
                         if (seen.isEmpty() || seen.back() != text)
                             seen << text;
                     });
    bool buttonEnabledDuringRun = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        buttonEnabledDuringRun =
            buttonEnabledDuringRun || control<QPushButton>(&window, "btnCX")->isEnabled();
        // A second press meanwhile has no effect.
        control<QPushButton>(&window, "btnCX")->click();
    });
    // The run ends where its end is signalled: the watch with it.
    QObject::connect(&window, &keyword::TfrmKeyWord::keywordRankFinished, &watch, &QTimer::stop);
    watch.start();
    ASSERT_TRUE(searched(window));
    watch.stop();

    EXPECT_TRUE(seen.contains(QStringLiteral("正在查询第 1 页"))) << seen.join(u'|').toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("正在查询第 5 页"))) << seen.join(u'|').toStdString();
    EXPECT_FALSE(buttonEnabledDuringRun);
    EXPECT_TRUE(control<QPushButton>(&window, "btnCX")->isEnabled());
    EXPECT_EQ(result(window, 0), QStringLiteral("搜索排名第 0 位"));
    EXPECT_EQ(result(window, 1), QStringLiteral("搜索排名第 14 位"));
    for (int i = 2; i < query::kEngineCount; ++i) {
        EXPECT_EQ(result(window, i), QStringLiteral("未选择")) << kResultEdits[i];
        EXPECT_FALSE(smallShown(window, i));
    }
    EXPECT_TRUE(smallShown(window, 0));
    EXPECT_TRUE(smallShown(window, 1));
    // Baidu asked five pages, Google stopped at the page that held the site.
    EXPECT_EQ(web.requestLines(test::hostKey(query::EngineId::Baidu)).size(), 5);
    EXPECT_EQ(web.requestLines(test::hostKey(query::EngineId::Google)).size(), 2);

    control<QToolButton>(&window, "sbGoogle")->click();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith(
        QString::fromLatin1(test::pageTarget(query::EngineId::Google, "seo", 2))))
        << opened[0].toStdString();
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(KeywordWindowTest, ABlockedSearchEndsAsAFailedPageAndIsDrawnApart) {
    // Baidu sends its verification page: never "not found", always the failure text. (The
    // search follows redirects, so a captcha redirect would leave loopback: the title it is.)
    web.route(
        test::hostKey(query::EngineId::Baidu), test::pageTarget(query::EngineId::Baidu, "seo", 1),
        test::okPage(platform::toAnsi(QStringLiteral("<html><head><title>百度安全验证</title>"
                                                     "</head><body>ab.example</body></html>"))));
    web.route(
        test::hostKey(query::EngineId::Google), test::pageTarget(query::EngineId::Google, "seo", 1),
        test::okPage(test::resultPage(query::EngineId::Google, {QStringLiteral("ab.example/")})));
    keyword::TfrmKeyWord window;
    window.show();
    control<QComboBox>(&window, "txtUrl")->setEditText(QStringLiteral("ab.example"));
    control<QLineEdit>(&window, "txtKeyword")->setText(QStringLiteral("seo"));
    ASSERT_TRUE(searched(window));

    auto* baidu = control<QLineEdit>(&window, kResultEdits[0]);
    auto* google = control<QLineEdit>(&window, kResultEdits[1]);
    EXPECT_EQ(baidu->text(), QStringLiteral("查询出错，请重试!"));
    EXPECT_EQ(baidu->toolTip(),
              QStringLiteral("被拦截（验证码页面）：") +
                  web.hostPort(test::hostKey(query::EngineId::Baidu)).section(u':', 0, 0));
    EXPECT_NE(baidu->findChild<QWidget*>(QStringLiteral("outcomeMark")), nullptr);
    EXPECT_EQ(google->text(), QStringLiteral("搜索排名第 1 位"));
    EXPECT_TRUE(google->toolTip().isEmpty());
    EXPECT_EQ(google->findChild<QWidget*>(QStringLiteral("outcomeMark")), nullptr);
    EXPECT_EQ(web.requestLines(test::hostKey(query::EngineId::Baidu)).size(), 1);
    test::saveScreenshot(&window, QStringLiteral("keyword-blocked"));
    EXPECT_TRUE(reports.isEmpty());
}

// Esc while Baidu keeps its first page waiting: the page ends at once as a failed, stopped one,
// Google is asked nothing, and the button comes back.
TEST_F(KeywordWindowTest, EscStopsTheSearches) {
    web.route(test::hostKey(query::EngineId::Baidu),
              test::pageTarget(query::EngineId::Baidu, "seo", 1), test::Reply().silent());
    keyword::TfrmKeyWord window;
    window.show();
    control<QComboBox>(&window, "txtUrl")->setEditText(QStringLiteral("ab.example"));
    control<QLineEdit>(&window, "txtKeyword")->setText(QStringLiteral("seo"));
    QSignalSpy finished(&window, &keyword::TfrmKeyWord::keywordRankFinished);
    control<QPushButton>(&window, "btnCX")->click();
    EXPECT_FALSE(control<QPushButton>(&window, "btnCX")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !web.requestLines(test::hostKey(query::EngineId::Baidu)).isEmpty(); }, 10000));
    QTest::keyClick(&window, Qt::Key_Escape);
    // Well inside the exchange's deadline of 20 s: only the stop can have ended it.
    ASSERT_TRUE(test::waitForSignal(finished, 10000));

    auto* baidu = control<QLineEdit>(&window, kResultEdits[0]);
    EXPECT_EQ(baidu->text(), QStringLiteral("查询出错，请重试!"));
    EXPECT_TRUE(baidu->toolTip().startsWith(QStringLiteral("已停止：")))
        << baidu->toolTip().toStdString();
    EXPECT_NE(baidu->findChild<QWidget*>(QStringLiteral("outcomeMark")), nullptr);
    EXPECT_TRUE(web.requestLines(test::hostKey(query::EngineId::Google)).isEmpty());
    EXPECT_EQ(web.requestLines(test::hostKey(query::EngineId::Baidu)).size(), 1);
    EXPECT_TRUE(control<QPushButton>(&window, "btnCX")->isEnabled());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(KeywordWindowTest, NothingTickedAndAnEmptyPageRange) {
    keyword::TfrmKeyWord window;
    window.show();
    for (const char* check : kChecks)
        control<QCheckBox>(&window, check)->setChecked(false);
    ASSERT_TRUE(searched(window));
    for (int i = 0; i < query::kEngineCount; ++i) {
        EXPECT_EQ(result(window, i), QStringLiteral("未选择"));
        EXPECT_FALSE(smallShown(window, i));
    }

    // Start 6, end 5: no page is asked, the rank is 0 at once, and the small button opens an
    // empty address.
    control<QCheckBox>(&window, "rbBaidu")->setChecked(true);
    control<QSpinBox>(&window, "seStart")->setValue(6);
    ASSERT_TRUE(searched(window));
    EXPECT_EQ(result(window, 0), QStringLiteral("搜索排名第 0 位"));
    EXPECT_TRUE(smallShown(window, 0));
    EXPECT_TRUE(web.requestLines(test::hostKey(query::EngineId::Baidu)).isEmpty());
    control<QToolButton>(&window, "sbBaidu")->click();
    EXPECT_EQ(opened, QStringList{QString()});
}

} // namespace
} // namespace kelvane
