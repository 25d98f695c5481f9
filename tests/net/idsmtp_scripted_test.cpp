#include "net/idsmtp.h"
#include "net/message_writer.h"
#include "platform/clock.h"
#include "platform/locale_format.h"
#include "platform/machine_name.h"
#include "platform/tcp_socket.h"
#include "support/scripted_smtp_peer.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::ScriptedSmtpPeer;

QByteArrayList lines(std::initializer_list<const char*> items) {
    QByteArrayList out;
    for (const char* item : items)
        out.append(item);
    return out;
}

// A client and a scripted peer on loopback, with the locale and clock of a Chinese desktop.
class ScriptedSmtp : public testing::Test {
protected:
    ScriptedSmtp()
        : locale_(QLocale(QLocale::Chinese, QLocale::China)),
          clock_([] { return QDateTime(QDate(2024, 3, 5), QTime(9, 3, 7), QTimeZone(8 * 3600)); }) {
    }

    void prepare(net::TIdSMTP& client) {
        client.Host = u"127.0.0.1"_qs;
        client.Port = peer.port();
        client.HeloName = u"client.test"_qs;
        client.ReadTimeout = 5000; // the tests must not hang; the product waits without limit
    }

    net::TIdMessage message(const QString& recipients) {
        net::TIdMessage m;
        m.From.setText(u"zs@example.cn");
        m.setRecipientsText(recipients);
        m.Subject = u"Hello"_qs;
        m.setBodyText(u"Body line"_qs);
        return m;
    }

    platform::ScopedFormatLocale locale_;
    platform::ScopedClockOverride clock_;
    ScriptedSmtpPeer peer;
};

TEST_F(ScriptedSmtp, TransactionSendsExactlyTheseBytes) {
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn;b@y.cn"_qs);
    client.Send(m);
    client.Disconnect();
    ASSERT_TRUE(peer.waitForHangUp());

    net::TIdMessage written = message(u"a@x.cn;b@y.cn"_qs);
    const QByteArray data = net::messageData(written, net::MessageFormat::current());
    EXPECT_EQ(peer.received(), "EHLO client.test\r\n"
                               "RSET\r\n"
                               "MAIL FROM: <zs@example.cn>\r\n"
                               "RCPT TO:<a@x.cn>\r\n"
                               "RCPT TO:<b@y.cn>\r\n"
                               "DATA\r\n" +
                                   data + "QUIT\r\n");
    EXPECT_TRUE(data.contains("\r\nTo: a@x.cn, b@y.cn\r\n"));
    EXPECT_TRUE(data.endsWith("Body line\r\n\r\n.\r\n"));
    EXPECT_FALSE(client.Connected());
}

TEST_F(ScriptedSmtp, GreetingNameIsTheLocalHostNameByDefault) {
    const QString e = u"\u00e9"_qs; // two bytes in UTF-8
    const struct {
        QByteArray hostName;
        QString computer;
        QByteArray greeted;
    } cases[] = {
        {"box.example", u"PC"_qs, "box.example"},
        // 250 bytes, not 250 characters, and never half a character: "a" and 124 of "é".
        {QByteArray(300, 'a'), u"PC"_qs, QByteArray(250, 'a')},
        {"a" + e.repeated(200).toUtf8(), u"PC"_qs, "a" + QByteArray(124, '?')},
        {"", u"PC"_qs, "PC"},
        {"", QString(), "localhost"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.greeted.toStdString());
        const platform::ScopedMachineNames names([&] { return c.hostName; },
                                                 [&] { return c.computer; });
        net::TIdSMTP client;
        prepare(client);
        client.HeloName.clear();
        client.Connect();
        client.Disconnect();
        ASSERT_FALSE(peer.commands().isEmpty());
        EXPECT_EQ(peer.commands().last(), "QUIT");
        EXPECT_TRUE(peer.commands().contains("EHLO " + c.greeted));
    }
}

TEST_F(ScriptedSmtp, CapabilitiesAreTheEhloLinesAfterTheFirst) {
    peer.on("EHLO", "250-peer.test hello\r\n250-SIZE 1000\r\n250 HELP\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    EXPECT_EQ(client.Capabilities(), (QStringList{u"SIZE 1000"_qs, u"HELP"_qs}));
}

struct GreetingCase {
    const char* name;
    QByteArray greeting;
    QByteArray ehloReply;
    QByteArray heloReply;
    int errorCode; // 0: the session opens
    QByteArrayList commands;
};

class Greetings : public testing::TestWithParam<GreetingCase> {};

TEST_P(Greetings, OpenOrFailWithoutQuit) {
    const GreetingCase& c = GetParam();
    ScriptedSmtpPeer peer(c.greeting);
    peer.on("EHLO", c.ehloReply);
    peer.on("HELO", c.heloReply);
    net::TIdSMTP client;
    client.Host = u"127.0.0.1"_qs;
    client.Port = peer.port();
    client.HeloName = u"client.test"_qs;
    client.ReadTimeout = 5000;
    if (c.errorCode == 0) {
        client.Connect();
        EXPECT_TRUE(client.Connected());
        EXPECT_FALSE(client.Authenticated());
        client.Disconnect();
    } else {
        try {
            client.Connect();
            ADD_FAILURE() << "Connect succeeded";
        } catch (const net::EIdSMTPReplyError& error) {
            EXPECT_EQ(error.errorCode(), c.errorCode);
        }
        EXPECT_FALSE(client.Connected());
        // Closed by the client, without QUIT.
        EXPECT_TRUE(peer.waitForHangUp());
    }
    EXPECT_EQ(peer.commands(), c.commands);
}

const GreetingCase kGreetingCases[] = {
    {"ehlo", "220 ready\r\n", "250 ok\r\n", "250 ok\r\n", 0, lines({"EHLO client.test", "QUIT"})},
    {"ehloRefusedThenHelo", "220 ready\r\n", "502 5.5.1 EHLO not implemented\r\n",
     "250 peer.test\r\n", 0, lines({"EHLO client.test", "HELO client.test", "QUIT"})},
    {"ehloOddReplyThenHelo", "220 ready\r\n", "220 what?\r\n", "250 peer.test\r\n", 0,
     lines({"EHLO client.test", "HELO client.test", "QUIT"})},
    {"heloRefused", "220 ready\r\n", "500 no\r\n", "501 5.5.4 no\r\n", 501,
     lines({"EHLO client.test", "HELO client.test"})},
    {"greetingRefused", "554 5.3.2 go away\r\n", "250 ok\r\n", "250 ok\r\n", 554, {}},
    {"multiLineGreeting", "220-peer.test\r\n220 welcome\r\n", "250 ok\r\n", "250 ok\r\n", 0,
     lines({"EHLO client.test", "QUIT"})},
};

INSTANTIATE_TEST_SUITE_P(ScriptedSmtp, Greetings, testing::ValuesIn(kGreetingCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

struct AuthCase {
    const char* name;
    QByteArray ehloReply;
    QString username;
    bool login;
};

class AuthOffers : public ScriptedSmtp, public testing::WithParamInterface<AuthCase> {};

TEST_P(AuthOffers, LogInOnlyWhenLoginIsOffered) {
    const AuthCase& c = GetParam();
    peer.on("EHLO", c.ehloReply);
    peer.on("AUTH LOGIN", "334 VXNlcm5hbWU6\r\n");
    peer.on("a2VsdmFuZQ==", "334 UGFzc3dvcmQ6\r\n");
    peer.on("c+ljcmV0", "235 2.7.0 Authentication successful\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Username = c.username;
    client.Password = u"s\u00e9cret"_qs; // one byte per character: 73 E9 63 72 65 74
    client.Connect();
    client.Authenticate();
    EXPECT_EQ(client.Authenticated(), c.login);
    // Send logs in again only when it has not yet.
    net::TIdMessage m = message(u"a@x.cn"_qs);
    client.Send(m);
    client.Disconnect();

    QByteArrayList expected = lines({"EHLO client.test"});
    if (c.login)
        expected << "AUTH LOGIN"
                 << "a2VsdmFuZQ=="
                 << "c+ljcmV0";
    expected << "RSET"
             << "MAIL FROM: <zs@example.cn>"
             << "RCPT TO:<a@x.cn>"
             << "DATA"
             << "QUIT";
    EXPECT_EQ(peer.commands(), expected);
}

const AuthCase kAuthCases[] = {
    {"afterSpace", "250-peer.test\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME\r\n", u"kelvane"_qs,
     true},
    {"afterEquals", "250-peer.test\r\n250-AUTH=LOGIN\r\n250 8BITMIME\r\n", u"kelvane"_qs, true},
    {"lowerCaseMechanisms", "250-peer.test\r\n250 AUTH=plain login\r\n", u"kelvane"_qs, true},
    {"twoAuthLines", "250-peer.test\r\n250-AUTH PLAIN\r\n250 AUTH=LOGIN\r\n", u"kelvane"_qs, true},
    {"plainOnly", "250-peer.test\r\n250-AUTH PLAIN\r\n250 8BITMIME\r\n", u"kelvane"_qs, false},
    {"notAnAuthLine", "250-peer.test\r\n250 AUTHX LOGIN\r\n", u"kelvane"_qs, false},
    {"noUserName", "250-peer.test\r\n250 AUTH PLAIN LOGIN\r\n", {}, false},
    {"firstLineIsNotACapability", "250 AUTH LOGIN\r\n", u"kelvane"_qs, false},
};

INSTANTIATE_TEST_SUITE_P(ScriptedSmtp, AuthOffers, testing::ValuesIn(kAuthCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

struct AuthRefusal {
    const char* name;
    QByteArray prefix;
    int code;
};

class AuthRefused : public ScriptedSmtp, public testing::WithParamInterface<AuthRefusal> {};

TEST_P(AuthRefused, LeavesTheSessionOpenAndUnauthenticated) {
    peer.on("EHLO", "250-peer.test\r\n250 AUTH LOGIN\r\n");
    peer.on("AUTH LOGIN", "334 VXNlcm5hbWU6\r\n");
    peer.on("a2VsdmFuZQ==", "334 UGFzc3dvcmQ6\r\n");
    peer.on("d3Jvbmc=", "235 ok\r\n");
    peer.on(GetParam().prefix, QByteArray::number(GetParam().code) + " 5.7.8 refused\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Username = u"kelvane"_qs;
    client.Password = u"wrong"_qs;
    client.Connect();
    try {
        client.Authenticate();
        ADD_FAILURE() << "Authenticate succeeded";
    } catch (const net::EIdSMTPReplyError& error) {
        EXPECT_EQ(error.errorCode(), GetParam().code);
        EXPECT_EQ(error.enhancedCode(), u"5.7.8"_qs);
        EXPECT_EQ(error.replyText(), u"refused"_qs);
    }
    EXPECT_TRUE(client.Connected());
    EXPECT_FALSE(client.Authenticated());
}

const AuthRefusal kAuthRefusals[] = {
    {"authLogin", "AUTH LOGIN", 504},
    {"userName", "a2VsdmFuZQ==", 535},
    {"password", "d3Jvbmc=", 535},
};

INSTANTIATE_TEST_SUITE_P(ScriptedSmtp, AuthRefused, testing::ValuesIn(kAuthRefusals),
                         [](const auto& tc) { return std::string(tc.param.name); });

struct RefusalCase {
    const char* name;
    QString recipients;
    QByteArray prefix; // the command the peer refuses, once
    QByteArray reply;
    int code;
    QByteArrayList commands; // of the failed transaction, after EHLO
};

class Refusals : public ScriptedSmtp, public testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, FailTheTransactionAndKeepTheSession) {
    const RefusalCase& c = GetParam();
    peer.on(c.prefix, c.reply, 1);
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(c.recipients);
    try {
        client.Send(m);
        ADD_FAILURE() << "Send succeeded";
    } catch (const net::EIdSMTPReplyError& error) {
        EXPECT_EQ(error.errorCode(), c.code);
    }
    QByteArrayList commands = peer.commands().mid(1);
    EXPECT_EQ(commands, c.commands);

    // The same session carries the next transaction.
    net::TIdMessage next = message(u"ok@x.cn"_qs);
    client.Send(next);
    client.Disconnect();
    EXPECT_EQ(peer.commands().mid(1 + c.commands.size()),
              lines({"RSET", "MAIL FROM: <zs@example.cn>", "RCPT TO:<ok@x.cn>", "DATA", "QUIT"}));
    // A refused message still went over the wire; the peer keeps it too.
    EXPECT_EQ(peer.messages().size(), c.prefix == ScriptedSmtpPeer::kEndOfData ? 2 : 1);
}

const RefusalCase kRefusalCases[] = {
    {"blankRecipientDataRefused", u"   "_qs, "DATA", "503 5.5.1 Error: need RCPT command\r\n", 503,
     lines({"RSET", "MAIL FROM: <zs@example.cn>", "DATA", "RSET"})},
    {"recipientRefusedEndsTransaction", u"a@x.cn;bad@x.cn;c@x.cn"_qs, "RCPT TO:<bad@",
     "550 5.1.1 <bad@x.cn>: Recipient address rejected\r\n", 550,
     lines(
         {"RSET", "MAIL FROM: <zs@example.cn>", "RCPT TO:<a@x.cn>", "RCPT TO:<bad@x.cn>", "RSET"})},
    {"multiLineRefusal", u"a@x.cn"_qs, "RCPT", "550-5.1.1 first\r\n550 5.1.1 second\r\n", 550,
     lines({"RSET", "MAIL FROM: <zs@example.cn>", "RCPT TO:<a@x.cn>", "RSET"})},
    {"dataNotAccepted", u"a@x.cn"_qs, ".", "554 5.6.0 Message rejected\r\n", 554,
     lines({"RSET", "MAIL FROM: <zs@example.cn>", "RCPT TO:<a@x.cn>", "DATA", "RSET"})},
    {"senderRefusedWithoutRset", u"a@x.cn"_qs, "MAIL FROM:", "553 5.7.1 Sender refused\r\n", 553,
     lines({"RSET", "MAIL FROM: <zs@example.cn>"})},
};

INSTANTIATE_TEST_SUITE_P(ScriptedSmtp, Refusals, testing::ValuesIn(kRefusalCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST_F(ScriptedSmtp, RecipientAccepted251) {
    peer.on("RCPT", "251 2.1.5 User not local; will forward\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    EXPECT_NO_THROW(client.Send(m));
}

TEST_F(ScriptedSmtp, RefusalCarriesCodeAndText) {
    peer.on("RCPT", "550-5.1.1 first\r\n550 5.1.1 second\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    try {
        client.Send(m);
        FAIL() << "Send succeeded";
    } catch (const net::EIdSMTPReplyError& error) {
        EXPECT_EQ(error.errorCode(), 550);
        EXPECT_EQ(error.enhancedCode(), u"5.1.1"_qs);
        EXPECT_EQ(error.message(), u"first\nsecond"_qs);
    }
}

TEST_F(ScriptedSmtp, BodyDotLinesAreDoubled) {
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    m.setBodyText(u".\r\n.hidden\r\nlast"_qs);
    client.Send(m);
    ASSERT_EQ(peer.messages().size(), 1);
    EXPECT_TRUE(peer.messages()[0].endsWith("\r\n\r\n..\r\n..hidden\r\nlast\r\n\r\n.\r\n"))
        << peer.messages()[0].data();
}

TEST_F(ScriptedSmtp, ConnectionLostFailsThisAndLaterCommands) {
    peer.on("DATA", ScriptedSmtpPeer::kClose, 1);
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    try {
        client.Send(m);
        ADD_FAILURE() << "Send succeeded";
    } catch (const platform::EConnClosedGracefully& error) {
        EXPECT_EQ(error.message(), u"Connection Closed Gracefully."_qs);
    }
    EXPECT_FALSE(client.Connected());
    for (int i = 0; i < 3; ++i)
        EXPECT_THROW(client.Send(m), platform::KelvaneError);
    EXPECT_NO_THROW(client.Disconnect());

    // The object can open a new session.
    client.Connect();
    client.Send(m);
    client.Disconnect();
    EXPECT_EQ(peer.messages().size(), 1);
}

TEST_F(ScriptedSmtp, DisconnectSendsNothingWhenTheServerHasGone) {
    peer.on("RSET", ScriptedSmtpPeer::kClose, 1);
    peer.on("MAIL", ScriptedSmtpPeer::kClose, 1);
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    // The server hangs up after EHLO, before the client reads again.
    net::TIdMessage m = message(u"a@x.cn"_qs);
    EXPECT_THROW(client.Send(m), platform::EConnClosedGracefully);
    client.Disconnect();
    EXPECT_EQ(peer.commands(), lines({"EHLO client.test", "RSET"}));
}

TEST_F(ScriptedSmtp, QuitRefusedClosesAndThenRaises) {
    peer.on("QUIT", "500 no\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    EXPECT_THROW(client.Disconnect(), net::EIdSMTPReplyError);
    EXPECT_FALSE(client.Connected());
    EXPECT_TRUE(peer.waitForHangUp());
}

TEST_F(ScriptedSmtp, ConnectTwiceLeavesTheSessionAlone) {
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    try {
        client.Connect();
        ADD_FAILURE() << "second Connect succeeded";
    } catch (const net::EIdAlreadyConnected& error) {
        EXPECT_EQ(error.message(), u"Already connected."_qs);
    }
    net::TIdMessage m = message(u"a@x.cn"_qs);
    client.Send(m);
    EXPECT_EQ(peer.commands().count("EHLO client.test"), 1);
}

TEST_F(ScriptedSmtp, AddressesWithLineBreaksNeverReachTheWire) {
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    const QString hostile[] = {u"a@x.cn\r\nRCPT TO:<evil@y.cn>"_qs, u"a@x.cn\nDATA"_qs,
                               u"a\u0000b@x.cn"_qs};
    for (const QString& address : hostile) {
        net::TIdMessage m = message({});
        m.Recipients = {net::TIdEMailAddressItem{address, {}}};
        EXPECT_THROW(client.Send(m), net::EIdSMTPInvalidAddress);
        net::TIdMessage fromHostile = message(u"a@x.cn"_qs);
        fromHostile.From = net::TIdEMailAddressItem{address, {}};
        EXPECT_THROW(client.Send(fromHostile), net::EIdSMTPInvalidAddress);
    }
    net::TIdMessage m = message(u"a@x.cn"_qs);
    client.Send(m);
    client.Disconnect();
    EXPECT_EQ(peer.commands(), lines({"EHLO client.test", "RSET", "MAIL FROM: <zs@example.cn>",
                                      "RCPT TO:<a@x.cn>", "DATA", "QUIT"}));
}

TEST_F(ScriptedSmtp, TextAfterTheAddressNeverReachesTheWire) {
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    const QString hostile[] = {u"a@b.cn(x)> SIZE=1"_qs, u"a@b.cn> NOTIFY=NEVER"_qs};
    for (const QString& line : hostile) {
        net::TIdMessage m = message(line);
        EXPECT_THROW(client.Send(m), net::EIdSMTPInvalidAddress) << line.toStdString();
        net::TIdMessage fromHostile = message(u"a@x.cn"_qs);
        fromHostile.From.setText(line);
        EXPECT_THROW(client.Send(fromHostile), net::EIdSMTPInvalidAddress) << line.toStdString();
    }
    client.Disconnect();
    EXPECT_EQ(peer.commands(), lines({"EHLO client.test", "QUIT"}));
    EXPECT_TRUE(peer.messages().isEmpty());
}

TEST_F(ScriptedSmtp, SubjectWithLineBreaksStaysInItsHeader) {
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    m.Subject = u"Hi\r\nBcc: evil@y.cn\r\n\r\nfake body 中文"_qs;
    client.Send(m);
    ASSERT_EQ(peer.messages().size(), 1);
    const QByteArray data = peer.messages()[0];
    const QByteArray header = data.left(data.indexOf("\r\n\r\n"));
    EXPECT_FALSE(header.contains("\r\nBcc:")) << header.data();
    EXPECT_TRUE(header.contains("\r\nTo: a@x.cn\r\nDate: ")) << header.data();
}

TEST_F(ScriptedSmtp, OversizedReplyEndsTheConnection) {
    peer.on("RSET", "250 " + QByteArray(100000, 'x') + "\r\n");
    net::TIdSMTP client;
    prepare(client);
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    EXPECT_THROW(client.Send(m), net::ESmtpReplyTooLarge);
    EXPECT_FALSE(client.Connected());
}

TEST_F(ScriptedSmtp, SilentServerTimesOutOnlyWhenATimeoutIsSet) {
    peer.on("RSET", QByteArray()); // never answers
    net::TIdSMTP client;
    prepare(client);
    client.ReadTimeout = 200;
    client.Connect();
    net::TIdMessage m = message(u"a@x.cn"_qs);
    EXPECT_THROW(client.Send(m), platform::EReadTimeout);
    EXPECT_FALSE(client.Connected());
}

TEST(Smtp, UnreachableHostIsASocketError) {
    quint16 closedPort = 0;
    {
        ScriptedSmtpPeer gone; // a port that was free a moment ago and is closed now
        closedPort = gone.port();
    }
    net::TIdSMTP client;
    client.Host = u"127.0.0.1"_qs;
    client.Port = closedPort;
    EXPECT_THROW(client.Connect(), platform::ESocketError);
    EXPECT_FALSE(client.Connected());
    net::TIdMessage m;
    EXPECT_THROW(client.Send(m), net::EIdNotConnected);
}

} // namespace
} // namespace kelvane
