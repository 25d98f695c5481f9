#include "mail/bulk_mailer.h"
#include "mail/fake_mail_view.h"
#include "platform/locale_format.h"
#include "support/aiosmtpd_server.h"

#include <QJsonObject>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::AiosmtpdServer;
using test::FakeMailView;

// Batches against a real server (aiosmtpd on loopback) with AUTH LOGIN for one user.
class BulkMailerAiosmtpd : public testing::Test {
protected:
    BulkMailerAiosmtpd() : locale_(QLocale(QLocale::Chinese, QLocale::China)) {}

    static AiosmtpdServer::Options options() {
        AiosmtpdServer::Options o;
        o.refusedRecipients = QStringList{u"refused@example.cn"_qs};
        return o;
    }
    static void pointAt(mail::BulkMailer& mailer, const AiosmtpdServer& server) {
        mailer.Port = server.port();
        mailer.ReplyTimeouts = net::uniformSmtpWaitTimeouts(10000);
    }

    platform::ScopedFormatLocale locale_;
};

TEST_F(BulkMailerAiosmtpd, TwoBatchesInARowBothDeliverEachEndedWithQuit) {
    KELVANE_START_AIOSMTPD(server, options());
    FakeMailView view = FakeMailView::filled(u"a@example.cn\r\nb@example.cn\r\n"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, server);

    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    EXPECT_FALSE(mailer.IdSMTP.Connected());
    EXPECT_EQ(mailer.IdSMTP.LastReply().code, 221) << "the first session did not end with QUIT";
    ASSERT_EQ(server.waitForMessages(2).size(), 2);

    view.moMailList = u"c@example.cn"_qs;
    view.txtTitle = u"第二批"_qs;
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    EXPECT_EQ(mailer.IdSMTP.LastReply().code, 221);

    const QList<AiosmtpdServer::Delivered> delivered = server.waitForMessages(3);
    ASSERT_EQ(delivered.size(), 3);
    const QStringList expectedTo{u"a@example.cn"_qs, u"b@example.cn"_qs, u"c@example.cn"_qs};
    const QStringList expectedSubject{u"网站周报"_qs, u"网站周报"_qs, u"第二批"_qs};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(delivered[i].rcptTos, QStringList{expectedTo[i]}) << i;
        EXPECT_TRUE(delivered[i].authenticated) << i;
        EXPECT_EQ(delivered[i].mailFrom, u"sender@example.cn"_qs) << i;
        const QJsonObject parsed = AiosmtpdServer::parseWithPythonEmail(delivered[i].data);
        EXPECT_EQ(parsed.value(u"subject").toString(), expectedSubject[i]) << i;
        // The display name field names the sender.
        EXPECT_EQ(parsed.value(u"from").toString(), u"站长 <sender@example.cn>"_qs) << i;
        EXPECT_EQ(parsed.value(u"body").toString(), u"你好，\r\n这是本周的报告。\r\n\r\n"_qs) << i;
        EXPECT_EQ(parsed.value(u"defects").toInt(), 0) << i;
    }
}

TEST_F(BulkMailerAiosmtpd, RefusedMiddleRecipientDeliversTheOtherTwo) {
    KELVANE_START_AIOSMTPD(server, options());
    FakeMailView view =
        FakeMailView::filled(u"first@example.cn\nrefused@example.cn\nthird@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, server);
    mailer.btnSendClick();
    EXPECT_EQ(view.states,
              (QStringList{u"正在发送至：first@example.cn"_qs, u"正在发送至：refused@example.cn"_qs,
                           u"正在发送至：refused@example.cn失败 !"_qs,
                           u"正在发送至：third@example.cn"_qs, u"发送完成...."_qs}));
    const QList<AiosmtpdServer::Delivered> delivered = server.waitForMessages(2);
    ASSERT_EQ(delivered.size(), 2);
    EXPECT_EQ(delivered[0].rcptTos, QStringList{u"first@example.cn"_qs});
    EXPECT_EQ(delivered[1].rcptTos, QStringList{u"third@example.cn"_qs});
}

TEST_F(BulkMailerAiosmtpd, BlankLineFailsAloneTheServerRefusingData) {
    KELVANE_START_AIOSMTPD(server, options());
    FakeMailView view = FakeMailView::filled(u"a@example.cn\n   \nb@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, server);
    mailer.btnSendClick();
    EXPECT_TRUE(view.states.contains(u"正在发送至：   失败 !"_qs));
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    EXPECT_EQ(server.waitForMessages(2).size(), 2);
}

TEST_F(BulkMailerAiosmtpd, WrongPasswordEndsTheBatchSilentlyWithTheButtonBack) {
    KELVANE_START_AIOSMTPD(server, options());
    FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
    view.txtPwd = u"wrong"_qs;
    view.txtState = u"正在发送至：x@example.cn"_qs; // whatever the last batch left
    mail::BulkMailer mailer(view);
    pointAt(mailer, server);
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"正在发送至：x@example.cn"_qs);
    EXPECT_TRUE(view.states.isEmpty()) << view.states.join(u'|').toStdString();
    EXPECT_EQ(view.buttonChanges,
              (QStringList{u"disabled"_qs, u"正在发送"_qs, u"enabled"_qs, u"开始发送"_qs}));
    EXPECT_TRUE(view.btnSendEnabled);
    EXPECT_FALSE(mailer.IdSMTP.Connected());
    EXPECT_TRUE(server.waitForMessages(1, 500).isEmpty());

    // The right password on the same window then delivers.
    view.txtPwd = u"secret"_qs;
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    EXPECT_EQ(server.waitForMessages(1).size(), 1);
}

TEST_F(BulkMailerAiosmtpd, TwoAddressesOnOneLineGetOneMessage) {
    KELVANE_START_AIOSMTPD(server, options());
    FakeMailView view = FakeMailView::filled(u"one@example.cn;two@example.cn"_qs);
    mail::BulkMailer mailer(view);
    pointAt(mailer, server);
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    const QList<AiosmtpdServer::Delivered> delivered = server.waitForMessages(1);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered[0].rcptTos, (QStringList{u"one@example.cn"_qs, u"two@example.cn"_qs}));
    const QJsonObject parsed = AiosmtpdServer::parseWithPythonEmail(delivered[0].data);
    EXPECT_EQ(parsed.value(u"to").toString(), u"one@example.cn, two@example.cn"_qs);
    EXPECT_TRUE(server.waitForMessages(2, 300).size() == 1) << "a second message arrived";
}

// A subject and a display name holding line breaks reach a standard parser flattened into
// their own headers; no header of the typed text appears.
TEST_F(BulkMailerAiosmtpd, LineBreaksInSubjectAndNameStayInsideTheirHeaders) {
    KELVANE_START_AIOSMTPD(server, options());
    FakeMailView view = FakeMailView::filled(u"a@example.cn"_qs);
    view.txtTitle = u"网站周报\r\nBcc: evil@example.cn"_qs;
    view.txtFname = u"Bob\nReply-To: evil@example.cn"_qs;
    mail::BulkMailer mailer(view);
    pointAt(mailer, server);
    mailer.btnSendClick();
    EXPECT_EQ(view.txtState, u"发送完成...."_qs);
    const QList<AiosmtpdServer::Delivered> delivered = server.waitForMessages(1);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered[0].rcptTos, QStringList{u"a@example.cn"_qs});
    const QJsonObject parsed = AiosmtpdServer::parseWithPythonEmail(delivered[0].data);
    const QString subject = parsed.value(u"subject").toString();
    EXPECT_TRUE(subject.startsWith(u"网站周报") && subject.endsWith(u" Bcc: evil@example.cn") &&
                !subject.contains(u'\n') && !subject.contains(u'\r'))
        << subject.toStdString();
    EXPECT_TRUE(parsed.value(u"from").toString().endsWith(u"<sender@example.cn>"))
        << parsed.value(u"from").toString().toStdString();
    EXPECT_EQ(parsed.value(u"defects").toInt(), 0);
    const QByteArray head = delivered[0].data.left(delivered[0].data.indexOf("\r\n\r\n"));
    EXPECT_FALSE(head.contains("\nBcc")) << head.toStdString();
    EXPECT_FALSE(head.contains("\nReply-To")) << head.toStdString();
}

} // namespace
} // namespace kelvane
