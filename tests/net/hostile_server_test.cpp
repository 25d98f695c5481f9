// Hostile HTTP servers the bad-input table does not reach: slow drips, heads and bodies that
// never end, huge claims, redirect loops, Locations with line breaks and resets. Each ends in
// the client's own error or result, with memory bounded and no wait past the read time-out.
#include "hostile_peer.h"
#include "net/idhttp.h"
#include "support/hosts_override.h"
#include "support/scripted_http_server.h"
#include "update/update_check.h"

#include <QElapsedTimer>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::HostilePeer;
using test::Reply;
using test::ScriptedHttpServer;

// Generous: a leak of the claimed sizes would be gigabytes; ASan's own overhead is not.
constexpr long kMemoryBoundMb = 256;

struct Outcome {
    QString error; // null: no error
    QByteArray stream;
    QString errorBody;
};

Outcome get(net::TIdHTTP& http, const QString& url) {
    Outcome outcome;
    try {
        http.GetToStream(url, outcome.stream);
    } catch (const net::EIdHTTPProtocolException& e) {
        outcome.error = e.message();
        outcome.errorBody = e.ErrorMessage();
    } catch (const platform::KelvaneError& e) {
        outcome.error = e.message();
    }
    return outcome;
}

QString url(quint16 port, const QString& path = QStringLiteral("/")) {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

const QString kTimedOut = QStringLiteral("Read timed out.");
const QString kClosed = QStringLiteral("Connection Closed Gracefully.");
const QString kTooManyHeaders =
    QStringLiteral("Too many response headers (more than 10000 lines or 4194304 bytes).");

struct Case {
    const char* name;
    Reply reply;
    int readTimeoutMs;
    QString error;
    QByteArray body;
};

// The scripted server can play these; each ends within the time-out with the defined outcome.
TEST(HostileServerTest, SlowAndEndlessAnswers) {
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n";
    const QByteArray chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const Case cases[] = {
        // One byte at a time, each well inside the time-out: the whole body arrives.
        {"body one byte at a time", Reply(head).drip("abcd", 1, 150), 1000, {}, "abcd"},
        // The same drip with a time-out shorter than the pause: the error, what came kept.
        {"drip slower than the time-out", Reply(head).drip("abcd", 1, 400), 150, kTimedOut, "a"},
        // A status line that stalls counts as empty; its body then times out as well.
        {"status line dripped too slowly",
         Reply().drip("HTTP/1.1 200 OK\r\n", 1, 400),
         150,
         kTimedOut,
         {}},
        {"head that never ends",
         Reply("HTTP/1.1 200 OK\r\nX-A: 1\r\n").drip("X-B: 2\r\nX-C: 3\r\n", 8, 50).silent(),
         200,
         kTimedOut,
         {}},
        {"body to close that stalls", Reply("HTTP/1.1 200 OK\r\n\r\n").send("first part").silent(),
         200, kTimedOut, "first part"},
        {"chunk that stalls", Reply(chunkedHead).send("a\r\n01234").silent(), 200, kTimedOut,
         "01234"},
        {"chunk size line that stalls", Reply(chunkedHead).send("3\r\nabc\r\n1").silent(), 200,
         kTimedOut, "abc"},
        // Too large for 63 bits: the size counts as 0, the last chunk; nothing is read for it.
        {"chunk size ffffffffffffffff",
         Reply(chunkedHead + "3\r\nabc\r\nffffffffffffffff\r\n" + QByteArray(1000, 'x')).close(),
         200,
         {},
         "abc"},
        {"2 GB Content-Length, 10 bytes, close",
         Reply("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n0123456789").close(),
         200,
         {},
         "0123456789"},
        {"2 GB Content-Length, 10 bytes, silence",
         Reply("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n0123456789").silent(), 200,
         kTimedOut, "0123456789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long before = test::peakRssMb();
        ScriptedHttpServer server({c.reply});
        net::TIdHTTP http;
        http.ReadTimeout = c.readTimeoutMs;
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = get(http, server.url());
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(outcome.error.isNull(), c.error.isNull());
        EXPECT_EQ(outcome.stream, c.body);
        // No hang: the scripted server holds a silent reply far longer than this.
        EXPECT_LT(clock.elapsed(), ScriptedHttpServer::kIdleLimitMs / 2);
        EXPECT_LT(test::peakRssMb() - before, kMemoryBoundMb);
    }
}

// 100,000 header lines: refused at the cap, so the head never holds more than 10,000 lines
// or 4 MB.
TEST(HostileServerTest, HundredThousandHeaders) {
    QByteArray head = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 100000; ++i)
        head += "X-H" + QByteArray::number(i) + ": v\r\n";
    head += "Content-Length: 2\r\n\r\nok";
    const long before = test::peakRssMb();
    ScriptedHttpServer server({Reply(head)});
    net::TIdHTTP http;
    http.ReadTimeout = 2000;
    const Outcome outcome = get(http, server.url());
    EXPECT_EQ(outcome.error, kTooManyHeaders);
    EXPECT_TRUE(outcome.stream.isEmpty());
    EXPECT_LT(test::peakRssMb() - before, kMemoryBoundMb);
}

// A head streamed for ever, with no time-out at all: the cap ends it, not the server.
TEST(HostileServerTest, EndlessHeadWithoutTimeOutStopsAtTheCap) {
    HostilePeer peer([](int fd) {
        if (test::readUntil(fd, "\r\n\r\n") && test::sendAll(fd, "HTTP/1.1 200 OK\r\n"))
            test::sendForever(fd, "X-Endless: yes\r\n");
    });
    const long before = test::peakRssMb();
    net::TIdHTTP http; // ReadTimeout -1, as the IP lookups and the update check leave it
    EXPECT_EQ(get(http, url(peer.port())).error, kTooManyHeaders);
    EXPECT_LT(test::peakRssMb() - before, kMemoryBoundMb);
}

// An error body that never ends keeps at most 1 MB, however much the server sends.
TEST(HostileServerTest, EndlessErrorBodyKeepsOneMegabyte) {
    HostilePeer peer([](int fd) {
        if (test::readUntil(fd, "\r\n\r\n") &&
            test::sendAll(fd, "HTTP/1.1 500 Oops\r\nContent-Type: text/html\r\n\r\n")) {
            const QByteArray block(65536, 'e');
            for (int i = 0; i < 256 && test::sendAll(fd, block); ++i) {
            }
        }
    });
    const long before = test::peakRssMb();
    net::TIdHTTP http;
    http.ReadTimeout = 2000;
    const Outcome outcome = get(http, url(peer.port()));
    EXPECT_EQ(outcome.error, QStringLiteral("HTTP/1.1 500 Oops"));
    EXPECT_EQ(outcome.errorBody.size(), 1024 * 1024);
    EXPECT_LT(test::peakRssMb() - before, kMemoryBoundMb);
}

// Two URLs that redirect to each other: 15 requests on one kept connection, then the end
// of the exchange with the stream as it was and no error, as the client defines it.
TEST(HostileServerTest, RedirectLoopBetweenTwoUrls) {
    ScriptedHttpServer server;
    server.setHandler([](const QByteArray& request) -> Reply {
        const QByteArray next = test::requestTarget(request) == "/a" ? "/b" : "/a";
        return Reply("HTTP/1.1 302 Found\r\nLocation: " + next + "\r\nContent-Length: 0\r\n\r\n");
    });
    net::TIdHTTP http;
    http.HandleRedirects = true;
    http.ReadTimeout = 2000;
    QByteArray stream = "kept";
    http.GetToStream(server.url(QStringLiteral("/a")), stream);
    EXPECT_EQ(stream, "kept");
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 15);
    for (qsizetype i = 0; i < requests.size(); ++i)
        EXPECT_EQ(test::requestTarget(requests[i]), i % 2 == 0 ? "/a" : "/b") << i;
    EXPECT_EQ(server.acceptedConnections(), 1);

    net::TIdHTTP strict;
    EXPECT_EQ(get(strict, server.url(QStringLiteral("/a"))).error,
              QStringLiteral("HTTP/1.1 302 Found"));
}

// A Location that carries CR LF (folded, or written out in the value) is followed as one
// request line with the fixed header lines: nothing of it becomes a header of the request.
TEST(HostileServerTest, LocationWithLineBreaks) {
    struct LocationCase {
        const char* name;
        QByteArray locationLines;
        QByteArray target;
    };
    const LocationCase cases[] = {
        {"folded continuation", "Location: /next\r\n X-Injected: 1\r\n", "/next%20X-Injected:%201"},
        {"tab continuation", "Location: /next\r\n\tHost: evil\r\n", "/next%20Host:%20evil"},
        {"encoded CR LF stays encoded", "Location: /n%0D%0AX-Injected:1\r\n",
         "/n%0D%0AX-Injected:1"},
        {"CR LF before a second Location", "Location: /first\r\nLocation: /second\r\n", "/first"},
    };
    for (const LocationCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server;
        server.addReply("HTTP/1.1 302 Found\r\n" + c.locationLines + "Content-Length: 0\r\n\r\n");
        server.addReply(test::httpResponse("HTTP/1.1 200 OK", {}, "done"));
        net::TIdHTTP http;
        http.HandleRedirects = true;
        http.ReadTimeout = 2000;
        http.Request.UserAgent.clear();
        const Outcome outcome = get(http, server.url(QStringLiteral("/start")));
        EXPECT_TRUE(outcome.error.isNull()) << outcome.error.toStdString();
        EXPECT_EQ(outcome.stream, "done");
        const QList<QByteArray> requests = server.requests();
        ASSERT_EQ(requests.size(), 2);
        EXPECT_EQ(requests[1],
                  "GET " + c.target + " HTTP/1.1\r\nHost: " + server.hostPort().toLatin1() +
                      "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n\r\n");
    }
}

// A reset in the middle of a chunk is a socket error with the system's number and text;
// the bytes that arrived before it stay in the stream.
TEST(HostileServerTest, ResetInTheMiddleOfAChunk) {
    HostilePeer peer([](int fd) {
        if (!test::readUntil(fd, "\r\n\r\n") ||
            !test::sendAll(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n0123"))
            return;
        // Let the client take the bytes in before the reset arrives.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        test::resetConnection(fd);
    });
    net::TIdHTTP http;
    http.ReadTimeout = 2000;
    const Outcome outcome = get(http, url(peer.port()));
    EXPECT_EQ(outcome.error, QStringLiteral("Socket Error # %1\n%2")
                                 .arg(ECONNRESET)
                                 .arg(QString::fromLocal8Bit(std::strerror(ECONNRESET))));
    EXPECT_EQ(outcome.stream, "0123");
}

// The update check runs on the user-interface thread after the main window hides: a server
// that accepts and never answers means no update, after the check's read time-outs, instead
// of a frozen program.
TEST(HostileServerTest, SilentUpdateServerMeansNoUpdate) {
    ScriptedHttpServer server({Reply().silent()});
    test::HostsOverride hosts({{QStringLiteral("home"), server.hostPort()}});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(update::CheckForUpdate());
    // The status line and then its missing body each wait once.
    EXPECT_LT(clock.elapsed(), 3 * update::kUpdateReadTimeoutMs);
    EXPECT_EQ(server.requests().size(), 1);
}

} // namespace
} // namespace kelvane
