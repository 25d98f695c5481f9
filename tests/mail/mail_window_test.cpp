#include "app/main_window.h"
#include "app/windows.h"
#include "gui_support/gui_helpers.h"
#include "gui_support/window_test.h"
#include "mail/mail_window.h"
#include "net/hostile_peer.h"
#include "platform/locale_format.h"
#include "platform/paths.h"
#include "support/aiosmtpd_server.h"
#include "support/fixture_web.h"
#include "support/scripted_smtp_peer.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace kelvane::app {
namespace {

using test::control;

class MailWindowTest : public test::WindowTest {
protected:
    MailWindowTest() : locale_(QLocale(QLocale::Chinese, QLocale::China)) {}

    void show() {
        window->show();
        QApplication::processEvents();
    }
    void click() {
        QTest::mouseClick(control<QPushButton>(window.get(), "btnSend"), Qt::LeftButton);
    }
    QString state() const { return control<QLineEdit>(window.get(), "txtState")->text(); }
    // Types into a control the way a user does: ASCII one key at a time, Chinese as the input
    // method commits it.
    void type(const char* name, const QString& text) {
        QWidget* field = window->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(field, nullptr) << name;
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(field, QString(c));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(field, &commit);
            }
        }
    }

    platform::ScopedFormatLocale locale_;
    std::unique_ptr<mail::TfrmMail> window = std::make_unique<mail::TfrmMail>();
};

TEST_F(MailWindowTest, ControlsStandWhereAndAsTheyShould) {
    show();
    EXPECT_EQ(window->windowTitle(), u"邮件群发"_qs);
    EXPECT_EQ(window->size(), QSize(712, 508));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window->font().pointSize(), 8);

    const struct {
        const char* name;
        const char* parent;
        QRect place; // an empty size: a label placed by its left and top only
        const char16_t* text;
    } controls[] = {
        {"GroupBox1", "frmMail", {4, 8, 211, 486}, u"收件人地址列表"},
        {"moMailList", "GroupBox1", {6, 16, 197, 443}, u""},
        {"Label6", "GroupBox1", {6, 465, 0, 0}, u"请按行输入邮件地址"},
        {"GroupBox2", "frmMail", {221, 8, 486, 45}, u"SMTP 服务器设置"},
        {"Label1", "GroupBox2", {10, 19, 0, 0}, u"服务器："},
        {"txtServerName", "GroupBox2", {58, 16, 121, 21}, u""},
        {"Label2", "GroupBox2", {185, 19, 0, 0}, u"用户名："},
        {"txtUserName", "GroupBox2", {234, 16, 99, 21}, u""},
        {"Label3", "GroupBox2", {339, 19, 0, 0}, u"密码："},
        {"txtPwd", "GroupBox2", {378, 16, 99, 21}, u""},
        {"GroupBox3", "frmMail", {221, 59, 486, 34}, u""},
        {"Label4", "GroupBox3", {10, 10, 0, 0}, u"发送者EMAIL："},
        {"txtMail", "GroupBox3", {90, 6, 151, 21}, u""},
        {"Label5", "GroupBox3", {272, 10, 0, 0}, u"发送者称谓："},
        {"txtFname", "GroupBox3", {356, 6, 121, 21}, u""},
        {"GroupBox4", "frmMail", {221, 99, 486, 43}, u"邮件标题"},
        {"txtTitle", "GroupBox4", {6, 15, 471, 21}, u""},
        {"GroupBox5", "frmMail", {221, 148, 486, 317}, u"邮件内容"},
        {"txtContent", "GroupBox5", {6, 18, 471, 293}, u""},
        {"txtState", "frmMail", {221, 473, 405, 21}, u"当前状态"},
        {"btnSend", "frmMail", {632, 473, 75, 25}, u"开始发送"},
    };
    for (const auto& c : controls) {
        auto* widget = control<QWidget>(window.get(), c.name);
        if (!widget)
            continue;
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(c.parent)) << c.name;
        if (c.place.isEmpty())
            EXPECT_EQ(widget->pos(), c.place.topLeft()) << c.name;
        else
            EXPECT_EQ(widget->geometry(), c.place) << c.name;
        QString text;
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            text = box->title();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* line = qobject_cast<QLineEdit*>(widget))
            text = line->text();
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
            text = plain->toPlainText();
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            text = button->text();
        EXPECT_EQ(text, QString::fromUtf16(c.text)) << c.name;
    }

    auto* pwd = control<QLineEdit>(window.get(), "txtPwd");
    ASSERT_NE(pwd, nullptr);
    EXPECT_EQ(pwd->echoMode(), QLineEdit::Password);
    EXPECT_EQ(pwd->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pwd), u'*');
    QTest::keyClicks(pwd, u"abc"_qs);
    EXPECT_EQ(pwd->displayText(), u"***"_qs);

    auto* txtState = control<QLineEdit>(window.get(), "txtState");
    ASSERT_NE(txtState, nullptr);
    EXPECT_FALSE(txtState->isEnabled());
    EXPECT_EQ(txtState->palette().color(QPalette::Disabled, QPalette::Text), QColor(Qt::red));
    test::saveScreenshot(window.get(), u"frmMail"_qs);
}

TEST_F(MailWindowTest, CloseAndEscapeHideItAndKeepWhatWasTyped) {
    const struct {
        const char* way;
        const char* field; // where Escape is pressed; none: the window manager's close
    } cases[] = {{"close", nullptr},
                 {"Escape in a line", "txtServerName"},
                 {"Escape in a memo", "moMailList"},
                 {"Escape in the body", "txtContent"}};
    type("txtTitle", u"主题"_qs);
    for (const auto& c : cases) {
        show();
        ASSERT_TRUE(window->isVisible()) << c.way;
        if (c.field)
            QTest::keyClick(control<QWidget>(window.get(), c.field), Qt::Key_Escape);
        else
            window->close();
        EXPECT_FALSE(window->isVisible()) << c.way;
        EXPECT_EQ(control<QLineEdit>(window.get(), "txtTitle")->text(), u"主题"_qs) << c.way;
    }
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MailWindowTest, TabWalksTheFieldsInOrder) {
    show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 2000));
    const char* order[] = {"moMailList", "txtServerName", "txtUserName", "txtPwd",  "txtMail",
                           "txtFname",   "txtTitle",      "txtContent",  "btnSend", "moMailList"};
    control<QWidget>(window.get(), order[0])->setFocus();
    for (const char* name : order) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr) << name;
        EXPECT_EQ(focused->objectName(), QString::fromLatin1(name));
        QTest::keyClick(focused, Qt::Key_Tab);
    }
}

TEST_F(MailWindowTest, EmptyFieldsWalkTheEightMessagesWithoutConnecting) {
    test::ScriptedSmtpPeer peer;
    window->mailer().Port = peer.port();
    window->mailer().ReplyTimeouts = net::uniformSmtpWaitTimeouts(5000);
    show();
    const struct {
        const char* field;
        QString text;
        const char16_t* message;
    } steps[] = {
        {"moMailList", u"a@example.cn"_qs, u"请输入邮件地址"},
        {"txtServerName", u"127.0.0.1"_qs, u"请输入服务器地址"},
        {"txtUserName", u"kelvane"_qs, u"请输入用户名"},
        {"txtPwd", u"secret"_qs, u"请输入密码"},
        {"txtMail", u"sender@example.cn"_qs, u"请输入发送者邮件地址"},
        {"txtFname", u"站长"_qs, u"请输入发送者称谓"},
        {"txtTitle", u"标题"_qs, u"请输入邮件标题"},
        {"txtContent", u"内容"_qs, u"请输入邮件内容"},
    };
    for (const auto& step : steps) {
        click();
        EXPECT_EQ(state(), QString::fromUtf16(step.message)) << step.field;
        type(step.field, step.text);
    }
    QThread::msleep(100);
    EXPECT_TRUE(peer.received().isEmpty()) << "a connection was made";
    EXPECT_TRUE(reports.isEmpty());
}

// A server that takes its time after "." keeps the batch, not the window: a timer of the
// window's event loop fires during the wait and sees the wait sign after the status text.
TEST_F(MailWindowTest, SlowServerShowsTheWaitAndTheWindowStaysAlive) {
    test::HostilePeer peer(test::smtpPeerSlowAfterData(2500));
    window->mailer().Port = peer.port();
    window->mailer().ReplyTimeouts = net::uniformSmtpWaitTimeouts(5000);
    show();
    type("moMailList", u"a@example.cn"_qs);
    type("txtServerName", u"127.0.0.1"_qs);
    type("txtUserName", u"kelvane"_qs);
    type("txtPwd", u"secret"_qs);
    type("txtMail", u"sender@example.cn"_qs);
    type("txtFname", u"zz"_qs);
    type("txtTitle", u"t"_qs);
    type("txtContent", u"c"_qs);
    QString seenDuringTheWait;
    QTimer::singleShot(1800, window.get(), [&] { seenDuringTheWait = state(); });
    click();
    EXPECT_TRUE(seenDuringTheWait.startsWith(u"正在发送至：a@example.cn (等待服务器响应 "_qs))
        << seenDuringTheWait.toStdString();
    EXPECT_EQ(state(), u"发送完成...."_qs);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MailWindowTest, OneBatchFromTheWindowDelivers) {
    KELVANE_START_AIOSMTPD(server, test::AiosmtpdServer::Options{});
    window->mailer().Port = server.port();
    window->mailer().ReplyTimeouts = net::uniformSmtpWaitTimeouts(10000);
    show();
    type("moMailList", u"a@example.cn"_qs);
    QTest::keyClick(control<QPlainTextEdit>(window.get(), "moMailList"), Qt::Key_Return);
    type("moMailList", u"b@example.cn;c@example.cn"_qs);
    type("txtServerName", u"127.0.0.1"_qs);
    type("txtUserName", u"kelvane"_qs);
    type("txtPwd", u"secret"_qs);
    type("txtMail", u"sender@example.cn"_qs);
    type("txtFname", u"站长"_qs);
    type("txtTitle", u"网站周报"_qs);
    type("txtContent", u"第一行"_qs);
    click();
    EXPECT_EQ(state(), u"发送完成...."_qs);
    auto* send = control<QPushButton>(window.get(), "btnSend");
    EXPECT_TRUE(send->isEnabled());
    EXPECT_EQ(send->text(), u"开始发送"_qs);
    const QList<test::AiosmtpdServer::Delivered> delivered = server.waitForMessages(2);
    ASSERT_EQ(delivered.size(), 2);
    EXPECT_EQ(delivered[0].rcptTos, QStringList{u"a@example.cn"_qs});
    EXPECT_EQ(delivered[1].rcptTos, (QStringList{u"b@example.cn"_qs, u"c@example.cn"_qs}));
    const QJsonObject parsed = test::AiosmtpdServer::parseWithPythonEmail(delivered[1].data);
    EXPECT_EQ(parsed.value(u"subject").toString(), u"网站周报"_qs);
    EXPECT_EQ(control<QLineEdit>(window.get(), "txtState")->toolTip(),
              u"a@example.cn：已发送\nb@example.cn;c@example.cn：已发送"_qs);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
    test::saveScreenshot(window.get(), u"frmMail-done"_qs);
}

TEST_F(MailWindowTest, WrongPasswordLeavesTheStatusAndGivesTheButtonBack) {
    KELVANE_START_AIOSMTPD(server, test::AiosmtpdServer::Options{});
    window->mailer().Port = server.port();
    window->mailer().ReplyTimeouts = net::uniformSmtpWaitTimeouts(10000);
    show();
    for (const char* field :
         {"moMailList", "txtUserName", "txtMail", "txtFname", "txtTitle", "txtContent"})
        type(field, u"x@example.cn"_qs);
    type("txtServerName", u"127.0.0.1"_qs);
    type("txtPwd", u"wrong"_qs);
    click();
    EXPECT_EQ(state(), u"当前状态"_qs);
    // The status box stays silent; its tooltip says what happened.
    const QString report = control<QLineEdit>(window.get(), "txtState")->toolTip();
    EXPECT_TRUE(report.startsWith(u"x@example.cn：未发送\n会话中断：535"_qs))
        << report.toStdString();
    auto* send = control<QPushButton>(window.get(), "btnSend");
    EXPECT_TRUE(send->isEnabled());
    EXPECT_EQ(send->text(), u"开始发送"_qs);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u'\n').toStdString();
}

// Start-up creates the window after the main window; the main window's mail button shows it.
using MailWindowStartUp = test::WindowTest;

TEST_F(MailWindowStartUp, MainWindowMailButtonShowsIt) {
    test::FixtureWeb web;
    struct Windows_ {
        Windows_() { CreateWindows(); }
        ~Windows_() { DestroyWindows(); }
    } windows;
    auto* mail = dynamic_cast<mail::TfrmMail*>(Windows().frmMail);
    ASSERT_NE(mail, nullptr);
    EXPECT_FALSE(mail->isVisible());
    Windows().frmMain->show();
    QTest::mouseClick(control<QToolButton>(Windows().frmMain, "ibtnMail"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(mail->isVisible());
}

} // namespace
} // namespace kelvane::app
