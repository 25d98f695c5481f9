#include "gui_support/gui_helpers.h"
#include "gui_support/window_test.h"
#include "lookup/ip_window.h"
#include "lookup/whois_window.h"
#include "platform/text_codec.h"
#include "support/fixture_web.h"
#include "widgets/error_report.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::control;

test::Reply gbkPage(const QString& text) {
    return test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"},
                              platform::toAnsi(text));
}

class LookupWindows : public test::WindowTest {
protected:
    QString record(int lines) const {
        QStringList rows;
        for (int i = 1; i <= lines; ++i)
            rows << QStringLiteral("line %1").arg(i);
        return QStringLiteral("<!-- start -->") + rows.join(u'\n') + QStringLiteral("友情提示");
    }

    test::FixtureWeb web;
};

TEST_F(LookupWindows, WhoisWindowShowsTheRecordAndKeepsItsScrollBar) {
    lookup::TfrmWhois window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("域名查询"));
    EXPECT_EQ(window.size(), QSize(361, 405));
    auto* button = control<QPushButton>(&window, "btnCX");
    EXPECT_EQ(button->text(), QStringLiteral("查 询"));
    EXPECT_TRUE(button->isDefault());
    auto* domain = control<QComboBox>(&window, "txtUrl");
    auto* memo = control<QPlainTextEdit>(&window, "MoWhois");
    EXPECT_EQ(domain->geometry(), QRect(8, 8, 273, 20));
    EXPECT_EQ(memo->geometry(), QRect(8, 39, 345, 358));
    window.show();

    const struct {
        int lines;
        Qt::ScrollBarPolicy policy;
    } steps[] = {
        {27, Qt::ScrollBarAlwaysOff}, {28, Qt::ScrollBarAlwaysOn}, {3, Qt::ScrollBarAlwaysOn}};
    for (const auto& step : steps) {
        web.route(QStringLiteral("whois"), "/cgi-bin/whois?domain=ab.example",
                  gbkPage(record(step.lines)));
        domain->setEditText(QStringLiteral("www.ab.example"));
        ASSERT_TRUE(test::pressAndWait(&window, &lookup::TfrmWhois::whoisFinished, [&] {
            QTest::keyClick(domain->lineEdit(), Qt::Key_Return);
        }));
        EXPECT_EQ(window.displayedLines(), step.lines);
        EXPECT_EQ(memo->verticalScrollBarPolicy(), step.policy) << step.lines;
    }
    EXPECT_TRUE(memo->toPlainText().startsWith(QStringLiteral("line 1\nline 2\nline 3")));
    test::saveScreenshot(&window, QStringLiteral("whois"));
}

TEST_F(LookupWindows, WhoisWindowFailsWithItsOwnText) {
    lookup::TfrmWhois window;
    window.show();
    control<QComboBox>(&window, "txtUrl")->setEditText(QStringLiteral("cd.example"));
    ASSERT_TRUE(test::pressAndWait(&window, &lookup::TfrmWhois::whoisFinished,
                                   [&] { window.btnCXClick(); }));
    EXPECT_EQ(control<QPlainTextEdit>(&window, "MoWhois")->toPlainText(),
              QStringLiteral("\n网络超时，请稍后重试..."));
}

// The lookup runs on a worker: a second press meanwhile asks nothing more, and Esc ends the
// wait on a silent service at once with the window's failure text.
TEST_F(LookupWindows, WhoisPressesDuringALookupAreLetGoAndEscStopsIt) {
    web.route(QStringLiteral("whois"), "/cgi-bin/whois?domain=ab.example", test::Reply().silent());
    lookup::TfrmWhois window;
    window.show();
    control<QComboBox>(&window, "txtUrl")->setEditText(QStringLiteral("ab.example"));
    QSignalSpy finished(&window, &lookup::TfrmWhois::whoisFinished);
    window.btnCXClick();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !web.requestLines(QStringLiteral("whois")).isEmpty(); }, 10000));
    window.btnCXClick();
    EXPECT_TRUE(finished.isEmpty());
    QElapsedTimer sinceEsc;
    sinceEsc.start();
    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_TRUE(test::waitForSignal(finished, 10000));
    // The lookup's own read time-out is 2 s: only the stop can have ended it this soon.
    EXPECT_LT(sinceEsc.elapsed(), 1500);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(web.requestLines(QStringLiteral("whois")).size(), 1);
    EXPECT_EQ(control<QPlainTextEdit>(&window, "MoWhois")->toPlainText(),
              QStringLiteral("\n网络超时，请稍后重试..."));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(LookupWindows, WhoisListIsReloadedOnEachShowing) {
    writeSiteList("ab.example\r\n");
    lookup::TfrmWhois window;
    auto* domain = control<QComboBox>(&window, "txtUrl");
    window.show();
    EXPECT_EQ(domain->count(), 1);
    domain->setEditText(QStringLiteral("typed"));
    window.hide();
    writeSiteList("ab.example\r\ncd.example\r\n");
    window.show();
    EXPECT_EQ(domain->count(), 2);
    EXPECT_EQ(domain->currentText(), QStringLiteral("typed"));
    window.hide();
    QFile::remove(QStringLiteral("zenvo/website.txt"));
    window.show();
    EXPECT_EQ(domain->count(), 0);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(LookupWindows, IpWindowShowsTheOwnAddressAndLooksUpTheTypedOne) {
    web.route(QStringLiteral("home"), "/ip/data/",
              gbkPage(QStringLiteral("<div>您的IP是：192.0.2.7&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
                                     "中国\t</div>")));
    lookup::TfrmIP window;
    // The own address comes after the window is made: start-up does not wait for it.
    QSignalSpy ownAddress(&window, &lookup::TfrmIP::ipLookupFinished);
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" IP地址查询"));
    EXPECT_EQ(window.size(), QSize(282, 204));
    auto* memo = control<QPlainTextEdit>(&window, "MoIP");
    ASSERT_TRUE(test::waitForSignal(ownAddress));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("您的IP是：192.0.2.7\n中国"));
    auto* button = control<QPushButton>(&window, "btnCX");
    EXPECT_EQ(button->text(), QStringLiteral("查   询"));
    EXPECT_TRUE(button->isDefault());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    window.show();

    // Never clicked: the prompt itself is sent.
    auto* edit = control<QLineEdit>(&window, "txtIP");
    EXPECT_EQ(edit->text(), QStringLiteral("请输入IP地址或者域名"));
    ASSERT_TRUE(test::pressAndWait(&window, &lookup::TfrmIP::ipLookupFinished,
                                   [&] { QTest::keyClick(edit, Qt::Key_Return); }));
    const QStringList lines = web.requestLines(QStringLiteral("home"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("GET /ip/data/?ip=%E8%AF%B7")))
        << lines[1].toStdString();
    test::saveScreenshot(&window, QStringLiteral("ip"));
}

TEST_F(LookupWindows, OnlyAClickEmptiesThePrompt) {
    lookup::TfrmIP window;
    window.show();
    auto* edit = control<QLineEdit>(&window, "txtIP");
    edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(edit->text(), QStringLiteral("请输入IP地址或者域名"));
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_TRUE(edit->text().isEmpty());
    edit->setText(QStringLiteral("ab.example"));
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(edit->text(), QStringLiteral("ab.example"));
}

TEST_F(LookupWindows, NoNetworkAtStartUpLeavesTheMemoEmpty) {
    // The fixture web answers 404 for the own-address page.
    lookup::TfrmIP window;
    QSignalSpy ownAddress(&window, &lookup::TfrmIP::ipLookupFinished);
    ASSERT_TRUE(test::waitForSignal(ownAddress));
    EXPECT_TRUE(control<QPlainTextEdit>(&window, "MoIP")->toPlainText().isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}

} // namespace
} // namespace kelvane
