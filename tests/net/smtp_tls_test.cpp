// STARTTLS: against aiosmtpd, which offers AUTH over TLS only, the client upgrades and logs in;
// against a scripted peer that offers STARTTLS but cannot keep that promise, the password never
// crosses in clear.
#include "net/idsmtp.h"
#include "platform/tls_stream.h"
#include "support/aiosmtpd_server.h"
#include "support/scripted_smtp_peer.h"
#include "support/test_certificates.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(SmtpTlsTest, StartTlsThenAuthLoginWithAiosmtpd) {
    KELVANE_NEED_CERTIFICATES(certs);
    test::AiosmtpdServer::Options options;
    options.tlsCertificate = certs.good().certificate;
    options.tlsKey = certs.good().key;
    KELVANE_START_AIOSMTPD(server, options);

    net::TIdSMTP client;
    client.Host = QStringLiteral("127.0.0.1");
    client.Port = server.port();
    client.Username = QStringLiteral("kelvane");
    client.Password = QStringLiteral("secret");
    client.ReadTimeout = 10000;
    client.CaFile = certs.caFile();
    client.Connect();
    EXPECT_TRUE(client.Secure());
    client.Authenticate();
    EXPECT_TRUE(client.Authenticated());
    net::TIdMessage message;
    message.From.setText(u"sender@example.cn");
    message.setRecipientsText(u"to@example.cn");
    message.Subject = QStringLiteral("over TLS");
    message.setBodyText(u"body"_qs);
    client.Send(message);
    client.Disconnect();
    const QList<test::AiosmtpdServer::Delivered> delivered = server.waitForMessages(1);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_TRUE(delivered[0].authenticated);

    // The same server with a CA the client does not trust: no session at all.
    net::TIdSMTP untrusting;
    untrusting.Host = client.Host;
    untrusting.Port = server.port();
    untrusting.ReadTimeout = 10000;
    EXPECT_THROW(untrusting.Connect(), platform::ETlsError);
    EXPECT_FALSE(untrusting.Connected());
}

TEST(SmtpTlsTest, PasswordNeverCrossesInClearToAServerThatOfferedTls) {
    struct Case {
        const char* name;
        QByteArray startTlsReply;
    };
    // Refused, or accepted by a peer that then speaks no TLS at all.
    const Case cases[] = {
        {"refused", "454 4.7.0 TLS not available\r\n"},
        {"accepted without TLS", "220 2.0.0 go ahead\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedSmtpPeer peer;
        peer.on("EHLO", "250-peer.test\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n");
        peer.on("STARTTLS", c.startTlsReply);
        net::TIdSMTP client;
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = peer.port();
        client.Username = QStringLiteral("kelvane");
        client.Password = QStringLiteral("secret");
        client.ReadTimeout = 3000;
        EXPECT_THROW(client.Connect(), platform::KelvaneError);
        EXPECT_FALSE(client.Connected());
        EXPECT_NO_THROW(client.Authenticate());
        peer.waitForHangUp();
        const QByteArray received = peer.received();
        EXPECT_FALSE(received.contains("AUTH")) << received.toStdString();
        EXPECT_FALSE(received.contains(QByteArray("secret").toBase64()));
        EXPECT_FALSE(received.contains("secret"));
        ASSERT_GE(peer.commands().size(), 2);
        EXPECT_EQ(peer.commands()[1], "STARTTLS");
    }
}

} // namespace
} // namespace kelvane
