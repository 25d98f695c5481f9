#include "mail/bulk_mailer.h"
#include "mail/fake_mail_view.h"
#include "net/hostile_peer.h"
#include "platform/locale_format.h"
#include "support/scripted_smtp_peer.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::FakeMailView;
using test::ScriptedSmtpPeer;

const QStringList kButtonRoundTrip{u"disabled"_qs, u"正在发送"_qs, u"enabled"_qs, u"开始发送"_qs};

void pointAt(mail::BulkMailer& mailer, const ScriptedSmtpPeer& peer) {
    mailer.Port = peer.port();
    mailer.ReplyTimeouts =
        net::uniformSmtpWaitTimeouts(5000); // no test waits longer than this on a reply
}

// The peer records on its own thread; give it a moment to see the client's last bytes.
QByteArrayList commandsAfterHangUp(ScriptedSmtpPeer& peer) {
    peer.waitForHangUp(5000);
    return peer.commands();
}

TEST(MemoLines, SplitsLikeTheRecipientListCountsItsLines) {
    const struct {
        const char* name;
        QString text;
        QStringList lines;
    } cases[] = {
        {"empty", u""_qs, {}},
        {"one line", u"a@x.cn"_qs, {u"a@x.cn"_qs}},
        {"final break adds no line", u"a@x.cn\r\n"_qs, {u"a@x.cn"_qs}},
        {"CR LF, LF and CR", u"a\r\nb\nc\rd"_qs, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}},
        {"blank line kept", u"a\n\nb"_qs, {u"a"_qs, u""_qs, u"b"_qs}},
        {"blanks kept unchanged", u"  a ;b \n"_qs, {u"  a ;b "_qs}},
        {"only a break", u"\n"_qs, {u""_qs}},
        {"CR CR LF", u"a\r\r\nb"_qs, {u"a"_qs, u""_qs, u"b"_qs}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mail::MemoLines(c.text), c.lines) << c.name;
}

TEST(BulkMailerValidation, EachEmptyFieldInTurnStopsBeforeAnyConnection) {
    ScriptedSmtpPeer peer;
    FakeMailView view;
    mail::BulkMailer mailer(view);
    pointAt(mailer, peer);
    const struct {
        QString FakeMailView::*field;
        QString text;
        QString message;
    } order[] = {
        {&FakeMailView::moMailList, u"a@example.cn"_qs, u"请输入邮件地址"_qs},
        {&FakeMailView::txtServerName, u"127.0.0.1"_qs, u"请输入服务器地址"_qs},
        {&FakeMailView::txtUserName, u"kelvane"_qs, u"请输入用户名"_qs},
        {&FakeMailView::txtPwd, u"secret"_qs, u"请输入密码"_qs},
        {&FakeMailView::txtMail, u"sender@example.cn"_qs, u"请输入发送者邮件地址"_qs},
        {&FakeMailView::txtFname, u"站长"_qs, u"请输入发送者称谓"_qs},
        {&FakeMailView::txtTitle, u"标题"_qs, u"请输入邮件标题"_qs},
        {&FakeMailView::txtContent, u"内容"_qs, u"请输入邮件内容"_qs},
    };
    for (const auto& step : order) {
        mailer.btnSendClick();
        EXPECT_EQ(view.txtState, step.message);
        EXPECT_TRUE(view.buttonChanges.isEmpty()) << step.message.toStdString();
        EXPECT_FALSE(mailer.IdSMTP.Connected());
        view.*step.field = step.text;
    }
    QThread::msleep(100);
    EXPECT_TRUE(peer.received().isEmpty());

    // All eight hold text: the answer is yes and the status is left alone.
    view.txtState = u"当前状态"_qs;
    EXPECT_TRUE(mailer.iswz());
    EXPECT_EQ(view.txtState, u"当前状态"_qs);
}

TEST(BulkMailerValidation, BlanksCountAsContent) {
    FakeMailView view = FakeMailView::filled(u" "_qs);
    view.txtServerName = u" "_qs;
    view.txtTitle = u"\t"_qs;
    mail::BulkMailer mailer(view);
    EXPECT_TRUE(mailer.iswz());
    view.txtContent.clear();
    EXPECT_FALSE(mailer.iswz());
    EXPECT_EQ(view.txtState, u"请输入邮件内容"_qs);
}

class BulkMailerScripted : public testing::Test {
protected:
    BulkMailerScripted() : locale_(QLocale(QLocale::Chinese, QLocale::China)) {}
    platform::ScopedFormatLocale locale_;
};

TEST_F(BulkMailerScripted, OneSessionPerBatchWithTheCommandsInOrder) {
    ScriptedSmtpPeer peer;
    FakeMailView view = FakeMailView::filled(u"a@example.cn\r\nb@example.cn; c@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, peer);
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    EXPECT_EQ(view.states,
              (QStringList{u"正在发送至：a@example.cn"_qs,
                           u"正在发送至：b@example.cn; c@example.cn"_qs, u"发送完成...."_qs}));
    EXPECT_EQ(view.buttonChanges, kButtonRoundTrip);
    EXPECT_FALSE(mailer.IdSMTP.Connected());

    const QByteArrayList commands = commandsAfterHangUp(peer);
    ASSERT_FALSE(commands.isEmpty());
    EXPECT_TRUE(commands[0].startsWith("EHLO ")) << commands[0].toStdString();
    // The peer offers no AUTH: the transactions go without login.
    const QByteArrayList expected{"RSET",
                                  "MAIL FROM: <sender@example.cn>",
                                  "RCPT TO:<a@example.cn>",
                                  "DATA",
                                  "RSET",
                                  "MAIL FROM: <sender@example.cn>",
                                  "RCPT TO:<b@example.cn>",
                                  "RCPT TO:<c@example.cn>",
                                  "DATA",
                                  "QUIT"};
    EXPECT_EQ(commands.mid(1), expected);
    ASSERT_EQ(peer.messages().size(), 2);
    EXPECT_TRUE(peer.messages()[1].contains("\r\nTo: b@example.cn, c@example.cn\r\n"));
}

TEST_F(BulkMailerScripted, LoginRefusedEndsTheSessionWithQuitAndSaysNothing) {
    ScriptedSmtpPeer peer;
    peer.on("EHLO", "250-peer.test\r\n250 AUTH LOGIN PLAIN\r\n");
    peer.on("AUTH LOGIN", "334 VXNlcm5hbWU6\r\n");
    peer.on("a2VsdmFuZQ==", "334 UGFzc3dvcmQ6\r\n");
    peer.on("c2VjcmV0", "535 5.7.8 Authentication credentials invalid\r\n");
    FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, peer);
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"当前状态"_qs);
    EXPECT_TRUE(view.states.isEmpty());
    EXPECT_EQ(view.buttonChanges, kButtonRoundTrip);
    // The status box says nothing, as ever; the batch report says why nothing was sent.
    ASSERT_EQ(view.lineOutcomes.size(), 2);
    EXPECT_EQ(view.lineOutcomes[0], u"a@example.cn：未发送"_qs);
    EXPECT_TRUE(view.lineOutcomes[1].startsWith(u"会话中断：535"_qs))
        << view.lineOutcomes[1].toStdString();
    EXPECT_FALSE(mailer.IdSMTP.Connected());
    const QByteArrayList commands = commandsAfterHangUp(peer);
    ASSERT_FALSE(commands.isEmpty());
    EXPECT_EQ(commands.last(), "QUIT");
    EXPECT_FALSE(commands.contains("RSET"));
}

TEST_F(BulkMailerScripted, ConnectionLostMidBatchFailsEveryRemainingLine) {
    ScriptedSmtpPeer peer;
    peer.on("RCPT TO:<b@", ScriptedSmtpPeer::kClose);
    FakeMailView view =
        FakeMailView::filled(u"a@example.cn\nb@example.cn\nc@example.cn\nd@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, peer);
    QElapsedTimer clock;
    clock.start();
    mailer.btnSendClick();
    EXPECT_LT(clock.elapsed(), 4000) << "the lost connection was waited for";
    EXPECT_EQ(view.states,
              (QStringList{u"正在发送至：a@example.cn"_qs, u"正在发送至：b@example.cn"_qs,
                           u"正在发送至：b@example.cn失败 !"_qs, u"正在发送至：c@example.cn"_qs,
                           u"正在发送至：c@example.cn失败 !"_qs, u"正在发送至：d@example.cn"_qs,
                           u"正在发送至：d@example.cn失败 !"_qs, u"发送完成...."_qs}));
    EXPECT_EQ(view.buttonChanges, kButtonRoundTrip);
    EXPECT_EQ(peer.messages().size(), 1);
    EXPECT_FALSE(mailer.IdSMTP.Connected());
}

TEST_F(BulkMailerScripted, RefusedRecipientAndBlankLineFailOnlyTheirLines) {
    ScriptedSmtpPeer peer;
    peer.on("RCPT TO:<no@", "550 5.1.1 No such user\r\n");
    // The blank line comes first: its DATA is the one refused.
    peer.on("DATA", "503 5.5.1 Error: need RCPT command\r\n", 1);
    FakeMailView view = FakeMailView::filled(u"\na@example.cn\nno@example.cn\nb@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, peer);
    mailer.btnSendClick();
    EXPECT_TRUE(view.states.contains(u"正在发送至：失败 !"_qs));
    EXPECT_TRUE(view.states.contains(u"正在发送至：no@example.cn失败 !"_qs));
    EXPECT_FALSE(view.states.contains(u"正在发送至：a@example.cn失败 !"_qs));
    EXPECT_FALSE(view.states.contains(u"正在发送至：b@example.cn失败 !"_qs));
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    EXPECT_EQ(peer.messages().size(), 2);
    // Each line's fate stays readable after the batch, the server's own words included.
    ASSERT_EQ(view.lineOutcomes.size(), 4);
    EXPECT_TRUE(view.lineOutcomes[0].startsWith(u"：被拒绝：503"_qs))
        << view.lineOutcomes[0].toStdString();
    EXPECT_EQ(view.lineOutcomes[1], u"a@example.cn：已发送"_qs);
    EXPECT_EQ(view.lineOutcomes[2], u"no@example.cn：被拒绝：550 5.1.1 No such user"_qs);
    EXPECT_EQ(view.lineOutcomes[3], u"b@example.cn：已发送"_qs);
}

// A server that stops answering holds the batch for one reply time-out, not for ever.
TEST_F(BulkMailerScripted, SilentServerCostsOneReplyTimeOut) {
    {
        ScriptedSmtpPeer peer(""); // no greeting
        FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
        mail::BulkMailer mailer(view);
        mailer.Port = peer.port();
        mailer.ReplyTimeouts = net::uniformSmtpWaitTimeouts(300);
        QElapsedTimer clock;
        clock.start();
        mailer.btnSendClick();
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_TRUE(view.states.isEmpty()) << view.states.join(u'|').toStdString();
        EXPECT_EQ(view.buttonChanges, kButtonRoundTrip);
    }
    {
        ScriptedSmtpPeer peer;
        peer.on("RCPT TO:<b@", ""); // no reply
        FakeMailView view = FakeMailView::filled(u"a@example.cn\nb@example.cn\nc@example.cn"_qs);
        mail::BulkMailer mailer(view);
        mailer.Port = peer.port();
        mailer.ReplyTimeouts = net::uniformSmtpWaitTimeouts(300);
        QElapsedTimer clock;
        clock.start();
        mailer.btnSendClick();
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_TRUE(view.states.contains(u"正在发送至：b@example.cn失败 !"_qs));
        EXPECT_TRUE(view.states.contains(u"正在发送至：c@example.cn失败 !"_qs));
        EXPECT_EQ(view.txtState, u"发送完成...."_qs);
        EXPECT_EQ(peer.messages().size(), 1);
    }
}

// A server that scans the message for a while before it accepts: the batch waits for it,
// says so after the status text, and lets the window redraw meanwhile.
TEST_F(BulkMailerScripted, SlowServerIsShownWaitingAndStillSucceeds) {
    test::HostilePeer peer(test::smtpPeerSlowAfterData(1400));
    FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
    mail::BulkMailer mailer(view);
    mailer.Port = peer.port();
    mailer.ReplyTimeouts = net::uniformSmtpWaitTimeouts(5000);
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    ASSERT_GE(view.serverWaits.size(), 2);
    EXPECT_EQ(view.serverWaits.first(), u" (等待服务器响应 1 秒)"_qs);
    EXPECT_EQ(view.serverWaits.last(), QString()) << "the sign goes when the reply comes";
    EXPECT_GT(view.pumps, 5) << "the window is let redraw while the server is waited for";
}

TEST_F(BulkMailerScripted, UnreachableServerEndsSilently) {
    quint16 closedPort = 0;
    {
        ScriptedSmtpPeer peer; // a port that was just free, now closed again
        closedPort = peer.port();
    }
    FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
    mail::BulkMailer mailer(view);
    mailer.Port = closedPort;
    mailer.btnSendClick();
    EXPECT_TRUE(view.states.isEmpty());
    EXPECT_EQ(view.buttonChanges, kButtonRoundTrip);
}

// What a hostile field must never do: start a command or a header line of its own.
struct HostileCase {
    const char* name;
    QString FakeMailView::*field;
    QString text;
    bool linesFail; // the addresses are refused: every line shows its failure text
};

TEST_F(BulkMailerScripted, ControlCharactersNeverStartACommandOrAHeaderLine) {
    const HostileCase cases[] = {
        {"subject with CR LF", &FakeMailView::txtTitle, u"周报\r\nBcc: evil@example.cn"_qs, false},
        {"subject with lone LF", &FakeMailView::txtTitle, u"Report\nX-Evil: 1"_qs, false},
        {"subject with lone CR", &FakeMailView::txtTitle, u"Report\rX-Evil: 1"_qs, false},
        {"subject with NUL", &FakeMailView::txtTitle, QString::fromUtf16(u"Re\0port X-Evil: 1", 17),
         false},
        {"display name with CR LF", &FakeMailView::txtFname, u"Bob\r\nX-Evil: 1"_qs, false},
        {"display name with LF, Chinese", &FakeMailView::txtFname, u"站长\nX-Evil: 1"_qs, false},
        {"sender with CR LF", &FakeMailView::txtMail,
         u"sender@example.cn\r\nRCPT TO:<evil@example.cn>"_qs, true},
        {"sender with LF", &FakeMailView::txtMail, u"sender@example.cn\nX-Evil: 1"_qs, true},
        {"sender with NUL", &FakeMailView::txtMail,
         QString::fromUtf16(u"sender@example.cn\0evil", 22), true},
        {"recipient with vertical tab", &FakeMailView::moMailList,
         u"a@example.cn\vRCPT TO:<evil@example.cn>"_qs, true},
        {"recipient with NUL", &FakeMailView::moMailList,
         QString::fromUtf16(u"a@example.cn\0evil", 17), true},
        {"recipient with DEL", &FakeMailView::moMailList, u"a@example.cn\x7f"_qs, true},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpPeer peer;
        FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
        view.*c.field = c.text;
        mail::BulkMailer mailer(view);
        pointAt(mailer, peer);
        mailer.btnSendClick();
        EXPECT_EQ(view.txtState, u"发送完成...."_qs);
        // Sending, then the failure text when the line is refused, then done.
        EXPECT_EQ(view.states.size(), c.linesFail ? 3 : 2);
        if (view.states.size() >= 2) {
            EXPECT_EQ(view.states[1].endsWith(u"失败 !"), c.linesFail)
                << view.states[1].toStdString();
        }

        const QByteArrayList commands = commandsAfterHangUp(peer);
        for (const QByteArray& command : commands) {
            static const QByteArrayList verbs{"EHLO ", "RSET", "MAIL FROM: <", "RCPT TO:<a@",
                                              "DATA",  ".",    "QUIT"};
            const bool known = std::any_of(verbs.begin(), verbs.end(), [&](const QByteArray& v) {
                return command.startsWith(v);
            });
            EXPECT_TRUE(known) << command.toStdString();
            EXPECT_FALSE(command.contains("evil")) << command.toStdString();
        }
        EXPECT_EQ(commands.contains("DATA"), !c.linesFail);
        for (const QByteArray& message : peer.messages()) {
            const QByteArray head = message.left(message.indexOf("\r\n\r\n") + 2);
            QByteArrayList lines = head.split('\n');
            lines.removeLast(); // after the last CR LF
            for (const QByteArray& line : lines) {
                EXPECT_TRUE(line.endsWith('\r')) << "bare LF before: " << line.toStdString();
                static const QByteArrayList names{"From: ", "Subject: ", "To: ", "Date: ", " "};
                const bool known =
                    std::any_of(names.begin(), names.end(),
                                [&](const QByteArray& n) { return line.startsWith(n); });
                EXPECT_TRUE(known) << line.toStdString();
                EXPECT_FALSE(line.contains('\0')) << line.toStdString();
            }
            EXPECT_EQ(head.count("\r\nX-Evil"), 0);
            EXPECT_EQ(head.count("\r\nBcc"), 0);
        }
    }
}

TEST_F(BulkMailerScripted, TabsInARecipientLineAreBlanks) {
    ScriptedSmtpPeer peer;
    FakeMailView view = FakeMailView::filled(u"\ta@example.cn\t"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, peer);
    mailer.btnSendClick();
    EXPECT_FALSE(view.states.contains(u"正在发送至：\ta@example.cn\t失败 !"_qs));
    EXPECT_TRUE(commandsAfterHangUp(peer).contains("RCPT TO:<a@example.cn>"));
}

} // namespace
} // namespace kelvane
