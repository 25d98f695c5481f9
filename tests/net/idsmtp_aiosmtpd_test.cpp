#include "net/idsmtp.h"
#include "platform/locale_format.h"
#include "support/aiosmtpd_server.h"

#include <QJsonObject>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::AiosmtpdServer;

// Sessions against a real server (aiosmtpd on loopback) with AUTH LOGIN for one user.
class AiosmtpdSession : public testing::Test {
protected:
    AiosmtpdSession() : locale_(QLocale(QLocale::Chinese, QLocale::China)) {}

    static AiosmtpdServer::Options options() {
        AiosmtpdServer::Options o;
        o.refusedRecipients = QStringList{u"refused@example.cn"_qs};
        return o;
    }

    static void prepare(net::TIdSMTP& client, const AiosmtpdServer& server) {
        client.Host = u"127.0.0.1"_qs;
        client.Port = server.port();
        client.Username = u"kelvane"_qs;
        client.Password = u"secret"_qs;
        client.ReadTimeout = 10000; // bounded for the tests only
    }

    static net::TIdMessage message(const QString& subject) {
        net::TIdMessage m;
        m.From.setText(u"sender@example.cn");
        m.Subject = subject;
        m.setBodyText(u"你好，这是一封测试邮件。\r\n.\r\n第三行"_qs);
        return m;
    }

    platform::ScopedFormatLocale locale_;
};

TEST_F(AiosmtpdSession, DeliversWithLoginAndTheSubjectParsesBack) {
    KELVANE_START_AIOSMTPD(server, options());
    net::TIdSMTP client;
    prepare(client, server);
    client.Connect();
    client.Authenticate();
    EXPECT_TRUE(client.Authenticated());

    const QString subject =
        u"Kelvane 站长工具：网站查询、关键字排名和邮件群发，一个足够长的中文主题用来分成多个编码字"_qs;
    net::TIdMessage m = message(subject);
    m.setRecipientsText(u"one@example.cn;two@example.cn"_qs);
    client.Send(m);
    client.Disconnect();

    const QList<AiosmtpdServer::Delivered> delivered = server.waitForMessages(1);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered[0].mailFrom, u"sender@example.cn"_qs);
    EXPECT_EQ(delivered[0].rcptTos, (QStringList{u"one@example.cn"_qs, u"two@example.cn"_qs}));
    EXPECT_TRUE(delivered[0].authenticated);

    const QJsonObject parsed = AiosmtpdServer::parseWithPythonEmail(delivered[0].data);
    EXPECT_EQ(parsed.value(u"subject").toString(), subject);
    EXPECT_EQ(parsed.value(u"from").toString(), u"\"sender@example.cn\" <sender@example.cn>"_qs);
    EXPECT_EQ(parsed.value(u"to").toString(), u"one@example.cn, two@example.cn"_qs);
    EXPECT_EQ(parsed.value(u"defects").toInt(), 0);
    // The server removes the dot stuffing; the body's lines come back as written.
    EXPECT_EQ(parsed.value(u"body").toString(),
              u"你好，这是一封测试邮件。\r\n.\r\n第三行\r\n\r\n"_qs);
}

TEST_F(AiosmtpdSession, RefusedRecipientAndBlankLineLeaveTheSessionUsable) {
    KELVANE_START_AIOSMTPD(server, options());
    net::TIdSMTP client;
    prepare(client, server);
    client.Connect();
    const QString lines[] = {u"a@example.cn"_qs, u"refused@example.cn"_qs, u"   "_qs,
                             u"b@example.cn"_qs};
    int failed = 0;
    for (const QString& line : lines) {
        net::TIdMessage m = message(u"Hello"_qs);
        m.setRecipientsText(line);
        try {
            client.Send(m);
        } catch (const net::EIdSMTPReplyError& error) {
            ++failed;
            EXPECT_TRUE(error.errorCode() == 550 || error.errorCode() == 503) << error.errorCode();
        }
    }
    client.Disconnect();
    EXPECT_EQ(failed, 2);
    const QList<AiosmtpdServer::Delivered> delivered = server.waitForMessages(2);
    ASSERT_EQ(delivered.size(), 2);
    EXPECT_EQ(delivered[0].rcptTos, QStringList{u"a@example.cn"_qs});
    EXPECT_EQ(delivered[1].rcptTos, QStringList{u"b@example.cn"_qs});
}

TEST_F(AiosmtpdSession, WrongPasswordIsRefusedAndTheObjectReconnects) {
    KELVANE_START_AIOSMTPD(server, options());
    net::TIdSMTP client;
    prepare(client, server);
    client.Password = u"wrong"_qs;
    client.Connect();
    try {
        client.Authenticate();
        ADD_FAILURE() << "wrong password accepted";
    } catch (const net::EIdSMTPReplyError& error) {
        EXPECT_EQ(error.errorCode(), 535);
    }
    EXPECT_FALSE(client.Authenticated());
    client.Disconnect();

    // Two sessions in a row on one object, each ended with QUIT.
    for (int session = 0; session < 2; ++session) {
        client.Password = u"secret"_qs;
        client.Connect();
        net::TIdMessage m = message(u"Session %1"_qs.arg(session));
        m.setRecipientsText(u"a@example.cn"_qs);
        client.Send(m);
        EXPECT_TRUE(client.Authenticated());
        client.Disconnect();
        EXPECT_FALSE(client.Connected());
    }
    EXPECT_EQ(server.waitForMessages(2).size(), 2);
}

} // namespace
} // namespace kelvane
