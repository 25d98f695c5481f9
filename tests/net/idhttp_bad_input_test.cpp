#include "net/idhttp.h"
#include "support/scripted_http_server.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::Reply;
using test::ScriptedHttpServer;

// A 200 head of count header lines, Content-Length among them.
QByteArray manyHeaders(int count, int valueSize) {
    QByteArray head = "HTTP/1.1 200 OK\r\n";
    for (int i = 1; i < count; ++i)
        head += "X-H" + QByteArray::number(i) + ": " + QByteArray(valueSize, 'v') + "\r\n";
    return head + "Content-Length: 2\r\n\r\nok";
}

struct BadCase {
    const char* name;
    Reply reply;
    // Empty: the exchange succeeds.
    QString error;
    QByteArray body;
    bool followRedirects = false;
    // The reply to a second request, if any.
    QByteArray next = {};
};

// Every hostile answer ends in the documented error or result, within the read time-out.
TEST(IdHTTPBadInputTest, HostileServers) {
    const QString closed = QStringLiteral("Connection Closed Gracefully.");
    const QString timedOut = QStringLiteral("Read timed out.");
    const QString tooLong = QStringLiteral("Max line length exceeded.");
    const BadCase cases[] = {
        {"garbage status line",
         Reply("FOO BAR\r\n\r\nbody").close(),
         QStringLiteral("FOO BAR"),
         {}},
        {"binary status line",
         Reply(QByteArray("\x01\xff\x00 x\r\n\r\n", 9)).close(),
         QString::fromLatin1("\x01\xff\x00 x", 5),
         {}},
        {"empty status line", Reply("\r\nbody").close(), QStringLiteral(""), {}},
        {"status line then silence", Reply("HTTP/1.1 200 OK\r\n").silent(), timedOut, {}},
        {"negative Content-Length reads to close",
         Reply("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabc").close(),
         {},
         "abc"},
        {"absurd Content-Length reads to close",
         Reply("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabc").close(),
         {},
         "abc"},
        {"huge Content-Length, early close",
         Reply("HTTP/1.1 200 OK\r\nContent-Length: 1000000000000\r\n\r\nabc").close(),
         {},
         "abc"},
        {"Content-Length cut short by close",
         Reply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345").close(),
         {},
         "12345"},
        {"chunk size not hex ends the body",
         Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n\r\n"),
         {},
         {}},
        {"enormous chunk then close",
         Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffffffffffffff\r\nabc")
             .close(),
         closed, "abc"},
        {"chunk size beyond 63 bits counts as 0",
         Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
               "ffffffffffffffffffffffff\r\n\r\n"),
         {},
         {}},
        {"close inside a chunk",
         Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n0123").close(), closed,
         "0123"},
        {"close before the last chunk",
         Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n").close(), closed,
         "abc"},
        {"never answers", Reply().silent(), timedOut, {}},
        {"head cut off by close", Reply("HTTP/1.1 200 OK\r\nContent-Le").close(), closed, {}},
        {"10,000 headers are accepted", Reply(manyHeaders(10000, 4)), {}, "ok"},
        {"more than 10,000 headers are refused",
         Reply(manyHeaders(10001, 4)),
         QStringLiteral("Too many response headers (more than 10000 lines or 4194304 bytes)."),
         {}},
        {"head over 4 MB is refused",
         Reply(manyHeaders(300, 16000)),
         QStringLiteral("Too many response headers (more than 10000 lines or 4194304 bytes)."),
         {}},
        {"status line over the limit",
         Reply("HTTP/1.1 200 " + QByteArray(20000, 'x') + "\r\n"),
         tooLong,
         {}},
        {"endless line without LF", Reply(QByteArray(200000, 'x')).silent(), tooLong, {}},
        {"endless interim responses",
         Reply(QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(1200)),
         QStringLiteral("Too many interim responses."),
         {}},
        {"redirect to another scheme",
         Reply("HTTP/1.1 301 Moved\r\nLocation: mailto://x@127.0.0.1\r\nContent-Length: 0\r\n\r\n"),
         QStringLiteral("Unknown Protocol"),
         {},
         true},
        {"redirect body that never starts is given up",
         Reply("HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n").silent(),
         {},
         "ok",
         true,
         test::httpResponse("HTTP/1.1 200 OK", {}, "ok")},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server({c.reply});
        if (!c.next.isEmpty())
            server.addReply(c.next);
        net::TIdHTTP http;
        http.ReadTimeout = 300;
        http.HandleRedirects = c.followRedirects;
        QByteArray stream;
        QString error;
        bool raised = false;
        try {
            http.GetToStream(server.url(), stream);
        } catch (const platform::KelvaneError& e) {
            raised = true;
            error = e.message();
        }
        EXPECT_EQ(raised, !c.error.isNull()) << error.toStdString();
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(stream, c.body);
    }
}

// A URL or Location with control characters reaches the server as one request line and the
// fixed header lines, the characters percent-encoded.
TEST(IdHTTPBadInputTest, ControlCharactersNeverSplitTheRequest) {
    ScriptedHttpServer server;
    server.addReply("HTTP/1.1 302 Found\r\nLocation: /next\rX-Injected: 1\r\n"
                    "Content-Length: 0\r\n\r\n");
    server.addReply(test::httpResponse("HTTP/1.1 200 OK", {}, "done"));
    server.addReply(test::httpResponse("HTTP/1.1 200 OK", {}, "done"));
    net::TIdHTTP http;
    http.HandleRedirects = true;
    http.Request.UserAgent.clear();
    QByteArray stream;
    http.GetToStream(server.url(QStringLiteral("/a\r\nX-Injected: 1\r\n\r\nGET /b HTTP/1.1")),
                     stream);
    http.GetToStream(server.url(QStringLiteral("/c\x01\x7f\u4e2d?q=\t")), stream);
    EXPECT_EQ(stream, "donedone");
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    const QByteArray tail = " HTTP/1.1\r\nHost: " + server.hostPort().toLatin1() +
                            "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n\r\n";
    EXPECT_EQ(requests[0], "GET /a%0D%0AX-Injected:%201%0D%0A%0D%0AGET%20/b%20HTTP/1.1" + tail);
    EXPECT_EQ(requests[1], "GET /next%0DX-Injected:%201" + tail);
    EXPECT_EQ(requests[2], "GET /c%01%7F%E4%B8%AD?q=%09" + tail);
}

} // namespace
} // namespace kelvane
