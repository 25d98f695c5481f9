// Hostile SMTP peers: endless continuation lines, a line that never ends, a close or a reset
// in the middle of DATA. Each ends in the client's own error with the connection closed,
// memory bounded by the reply reader's limits, also where no time-out is set.
#include "hostile_peer.h"
#include "net/idsmtp.h"
#include "platform/clock.h"
#include "platform/locale_format.h"
#include "support/error_text.h"
#include "support/scripted_smtp_peer.h"

#include <QTimeZone>
#include <cerrno>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::HostilePeer;

// A reply may hold 256 lines of 4096 bytes; a leak of what the peer sends would be gigabytes.
constexpr long kMemoryBoundMb = 256;

void prepare(net::TIdSMTP& smtp, quint16 port, int readTimeoutMs) {
    smtp.Host = QStringLiteral("127.0.0.1");
    smtp.Port = port;
    smtp.HeloName = QStringLiteral("client.test");
    smtp.ReadTimeout = readTimeoutMs;
}

struct StreamCase {
    const char* name;
    QByteArray start;   // sent once
    QByteArray forever; // then sent until the client stops reading
    QString error;
};

// With no time-out at all (the product's default), the reader's limits end the reply.
TEST(HostileSmtpTest, EndlessRepliesEndAtTheReadersLimits) {
    const StreamCase cases[] = {
        {"endless continuation lines", "220-peer.test\r\n", "220-more\r\n",
         QStringLiteral("SMTP reply longer than 256 lines.")},
        {"greeting line that never ends", "220 ", "x",
         QStringLiteral("SMTP reply line longer than 4096 bytes.")},
        {"one line longer than the limit", "220 " + QByteArray(5000, 'y') + "\r\n", "z",
         QStringLiteral("SMTP reply line longer than 4096 bytes.")},
        {"continuation lines that never end", "220-a\r\n220-", "w",
         QStringLiteral("SMTP reply line longer than 4096 bytes.")},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        HostilePeer peer([&c](int fd) {
            if (test::sendAll(fd, c.start))
                test::sendForever(fd, c.forever);
        });
        const long before = test::peakRssMb();
        net::TIdSMTP smtp;
        prepare(smtp, peer.port(), -1);
        EXPECT_EQ(test::errorOf([&] { smtp.Connect(); }), c.error);
        EXPECT_FALSE(smtp.Connected());
        EXPECT_LT(test::peakRssMb() - before, kMemoryBoundMb);
    }
}

// A session with the locale and clock of a Chinese desktop, for the message data.
class HostileSmtpData : public testing::Test {
protected:
    platform::ScopedFormatLocale locale_{QLocale(QLocale::Chinese, QLocale::China)};
    platform::ScopedClockOverride clock_{
        [] { return QDateTime(QDate(2024, 3, 5), QTime(9, 3, 7), QTimeZone(8 * 3600)); }};

    static net::TIdMessage message(const QString& body) {
        net::TIdMessage m;
        m.From.setText(u"zs@example.cn");
        m.setRecipientsText(u"a@x.cn");
        m.Subject = QStringLiteral("Hello");
        m.setBodyText(body);
        return m;
    }
};

// The peer takes the whole message and closes before its reply: the defined close error.
TEST_F(HostileSmtpData, CloseAfterTheDataBeforeTheReply) {
    test::ScriptedSmtpPeer peer;
    peer.on(test::ScriptedSmtpPeer::kEndOfData, test::ScriptedSmtpPeer::kClose, 1);
    net::TIdSMTP smtp;
    prepare(smtp, peer.port(), 5000);
    smtp.Connect();
    net::TIdMessage m = message(QStringLiteral("line one\r\nline two"));
    EXPECT_EQ(test::errorOf([&] { smtp.Send(m); }),
              QStringLiteral("Connection Closed Gracefully."));
    EXPECT_FALSE(smtp.Connected());
}

// The peer hangs up, with a reset, while the message is still being written: the write
// fails with the system's error and the connection is closed; later sends say so.
TEST_F(HostileSmtpData, ResetInTheMiddleOfTheData) {
    HostilePeer peer([](int fd) {
        if (!test::sendAll(fd, "220 peer.test\r\n") || !test::readUntil(fd, "EHLO") ||
            !test::sendAll(fd, "250 peer.test\r\n") || !test::readUntil(fd, "RSET") ||
            !test::sendAll(fd, "250 ok\r\n") || !test::readUntil(fd, "MAIL") ||
            !test::sendAll(fd, "250 ok\r\n") || !test::readUntil(fd, "RCPT") ||
            !test::sendAll(fd, "250 ok\r\n") || !test::readUntil(fd, "DATA") ||
            !test::sendAll(fd, "354 go ahead\r\n"))
            return;
        test::readUntil(fd, "Subject: ");
        test::resetConnection(fd);
    });
    net::TIdSMTP smtp;
    prepare(smtp, peer.port(), 5000);
    smtp.Connect();
    // Far more than the socket buffers hold, so the client is still writing at the reset.
    net::TIdMessage m = message(QString(8 * 1024 * 1024, u'b'));
    const long before = test::peakRssMb();
    int code = 0;
    try {
        smtp.Send(m);
        ADD_FAILURE() << "Send succeeded";
    } catch (const platform::ESocketError& e) {
        code = e.errorCode();
        EXPECT_EQ(e.message(), QStringLiteral("Socket Error # %1\n%2")
                                   .arg(code)
                                   .arg(QString::fromLocal8Bit(std::strerror(code))));
    }
    // Which of the two the kernel reports depends on where the write stood.
    EXPECT_TRUE(code == ECONNRESET || code == EPIPE) << code;
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(test::errorOf([&] { smtp.Send(m); }), QStringLiteral("Not Connected."));
    EXPECT_LT(test::peakRssMb() - before, kMemoryBoundMb);
}

} // namespace
} // namespace kelvane
