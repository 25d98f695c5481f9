// Each kind of SMTP wait has its own limit: a reply slower than its own limit fails, one that
// is slow but within its limit passes however short the other limits are.
#include "hostile_peer.h"
#include "net/idsmtp.h"
#include "platform/clock.h"
#include "platform/locale_format.h"

#include <QThread>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <poll.h>

namespace kelvane {
namespace {

using test::HostilePeer;

constexpr int kSlowReplyMs = 400;
constexpr int kShortMs = 150;
constexpr int kLongMs = 3000;

// One plain session: what the peer reads before each reply, and the reply. The step at
// `slowStep` answers kSlowReplyMs late.
HostilePeer::Script sessionWithSlowStep(int slowStep) {
    return [slowStep](int fd) {
        const struct {
            QByteArray readUntil;
            QByteArray reply;
        } steps[] = {
            {"", "220 peer.test\r\n"},       {"\r\n", "250 peer.test\r\n"}, // EHLO
            {"\r\n", "250 reset\r\n"},       {"\r\n", "250 sender\r\n"},    // RSET, MAIL
            {"\r\n", "250 recipient\r\n"},   {"\r\n", "354 go on\r\n"},     // RCPT, DATA
            {"\r\n.\r\n", "250 queued\r\n"}, {"\r\n", "221 bye\r\n"},       // ".", QUIT
        };
        int index = 0;
        for (const auto& step : steps) {
            if (!step.readUntil.isEmpty() && !test::readUntil(fd, step.readUntil))
                return;
            if (index++ == slowStep)
                QThread::msleep(kSlowReplyMs);
            if (!test::sendAll(fd, step.reply))
                return;
        }
    };
}

struct SlowCase {
    const char* name;
    net::SmtpWait wait;
    int step;
};
const SlowCase kSlowCases[] = {
    {"greeting", net::SmtpWait::Greeting, 0},
    {"MAIL", net::SmtpWait::Mail, 3},
    {"RCPT", net::SmtpWait::Rcpt, 4},
    {"DATA", net::SmtpWait::DataInitiation, 5},
    {"final dot", net::SmtpWait::DataTermination, 6},
};

class SmtpWaits : public testing::Test {
protected:
    static void runSession(net::TIdSMTP& client) {
        client.Connect();
        net::TIdMessage m;
        m.From.setText(u"zs@example.cn");
        m.setRecipientsText(u"a@x.cn"_qs);
        m.Subject = u"Hello"_qs;
        m.setBodyText(u"Body"_qs);
        client.Send(m);
        client.Disconnect();
    }
    static void prepare(net::TIdSMTP& client, quint16 port, const net::SmtpWaitTimeouts& timeouts) {
        client.Host = u"127.0.0.1"_qs;
        client.Port = port;
        client.HeloName = u"client.test"_qs;
        client.WaitTimeouts = timeouts;
    }

    platform::ScopedFormatLocale locale_{QLocale(QLocale::Chinese, QLocale::China)};
    platform::ScopedClockOverride clock_{
        [] { return QDateTime(QDate(2024, 3, 5), QTime(9, 3, 7), QTimeZone(8 * 3600)); }};
};

TEST_F(SmtpWaits, EachReplyIsHeldToItsOwnLimit) {
    for (const SlowCase& c : kSlowCases) {
        SCOPED_TRACE(c.name);
        {
            HostilePeer peer(sessionWithSlowStep(c.step));
            net::SmtpWaitTimeouts timeouts = net::uniformSmtpWaitTimeouts(kLongMs);
            timeouts[net::smtpWaitIndex(c.wait)] = kShortMs;
            net::TIdSMTP client;
            prepare(client, peer.port(), timeouts);
            EXPECT_THROW(runSession(client), platform::EReadTimeout);
            EXPECT_FALSE(client.Connected());
        }
        {
            HostilePeer peer(sessionWithSlowStep(c.step));
            net::SmtpWaitTimeouts timeouts = net::uniformSmtpWaitTimeouts(kShortMs);
            timeouts[net::smtpWaitIndex(c.wait)] = kLongMs;
            net::TIdSMTP client;
            prepare(client, peer.port(), timeouts);
            EXPECT_NO_THROW(runSession(client));
        }
    }
}

TEST_F(SmtpWaits, ServerThatStopsTakingDataIsHeldToTheBlockLimit) {
    HostilePeer peer([](int fd) {
        const QByteArray replies[] = {"220 peer.test\r\n", "250 peer.test\r\n", "250 reset\r\n",
                                      "250 sender\r\n",    "250 recipient\r\n", "354 go on\r\n"};
        for (const QByteArray& reply : replies) {
            if ((reply != replies[0] && !test::readUntil(fd, "\r\n")) || !test::sendAll(fd, reply))
                return;
        }
        // Reads nothing more: the client's data fills the socket buffers and stays there, until
        // the client gives up and closes.
        pollfd entry{fd, POLLRDHUP, 0};
        ::poll(&entry, 1, HostilePeer::kLimitMs);
    });
    net::SmtpWaitTimeouts timeouts = net::uniformSmtpWaitTimeouts(kLongMs);
    timeouts[net::smtpWaitIndex(net::SmtpWait::DataBlock)] = 300;
    net::TIdSMTP client;
    prepare(client, peer.port(), timeouts);
    client.Connect();
    net::TIdMessage m;
    m.From.setText(u"zs@example.cn");
    m.setRecipientsText(u"a@x.cn"_qs);
    m.setBodyText(QString(32 << 20, u'x'));
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(client.Send(m), platform::EReadTimeout);
    EXPECT_LT(clock.elapsed(), kLongMs);
    EXPECT_FALSE(client.Connected());
}

TEST(SmtpWaitTable, TheRfcClientTimeOuts) {
    const struct {
        net::SmtpWait wait;
        int minutes;
    } rows[] = {{net::SmtpWait::Greeting, 5},  {net::SmtpWait::Mail, 5},
                {net::SmtpWait::Rcpt, 5},      {net::SmtpWait::DataInitiation, 2},
                {net::SmtpWait::DataBlock, 3}, {net::SmtpWait::DataTermination, 10},
                {net::SmtpWait::Other, 5}};
    for (const auto& row : rows)
        EXPECT_EQ(net::kRfc5321WaitTimeouts[net::smtpWaitIndex(row.wait)], row.minutes * 60 * 1000)
            << net::smtpWaitIndex(row.wait);
}

} // namespace
} // namespace kelvane
