// Kept-alive connections: a request the server drops unanswered on a reused connection is
// sent once more on a new one; an HTTP/1.0 answer without keep-alive ends the connection.
#include "net/idhttp.h"
#include "support/error_text.h"
#include "support/scripted_http_server.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::Reply;
using test::ScriptedHttpServer;

QByteArray ok(const QByteArray& body) {
    return test::httpResponse("HTTP/1.1 200 OK", {}, body);
}

TEST(KeptAliveTest, DroppedBeforeAnswerIsSentOnceMoreOnANewConnection) {
    struct Case {
        const char* name;
        Reply second; // what the reused connection does with the second request
        QString error;
        QByteArray body;
        int requests;
        int connections;
    };
    const Case cases[] = {
        {"closed unanswered", Reply().close(), {}, "second", 3, 2},
        // Something arrived: the request reached the server, so it is not sent again.
        {"closed after a partial status line",
         Reply("HTTP/1.1 2").close(),
         QStringLiteral("Connection Closed Gracefully."),
         {},
         2,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server({Reply(ok("first")), c.second, Reply(ok("second"))});
        net::TIdHTTP http;
        http.ReadTimeout = 2000;
        QByteArray first;
        http.GetToStream(server.url(QStringLiteral("/1")), first);
        EXPECT_EQ(first, "first");
        QByteArray stream;
        EXPECT_EQ(
            test::errorOf([&] { http.GetToStream(server.url(QStringLiteral("/2")), stream); }),
            c.error);
        EXPECT_EQ(stream, c.body);
        EXPECT_EQ(server.requests().size(), c.requests);
        EXPECT_EQ(server.acceptedConnections(), c.connections);
        if (c.requests == 3) {
            EXPECT_EQ(test::requestTarget(server.requests()[2]), "/2");
        }
    }
}

// A fresh connection that closes unanswered fails as before: nothing is sent twice.
TEST(KeptAliveTest, FreshConnectionIsNotRetried) {
    ScriptedHttpServer server({Reply().close(), Reply(ok("never"))});
    net::TIdHTTP http;
    http.ReadTimeout = 2000;
    QByteArray stream;
    EXPECT_EQ(test::errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("Connection Closed Gracefully."));
    EXPECT_EQ(server.requests().size(), 1);
}

// The follow-up of a redirect goes to a new connection exactly when the answer's version and
// headers say the server closes.
TEST(KeptAliveTest, Http10RedirectClosesUnlessKeptAlive) {
    struct Case {
        const char* name;
        QByteArray redirect;
        int connections;
    };
    const Case cases[] = {
        {"HTTP/1.0", "HTTP/1.0 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n", 2},
        {"HTTP/1.0 keep-alive",
         "HTTP/1.0 302 Found\r\nConnection: Keep-Alive\r\nLocation: /b\r\nContent-Length: "
         "0\r\n\r\n",
         1},
        {"HTTP/1.1", "HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n", 1},
        {"HTTP/1.1 close",
         "HTTP/1.1 302 Found\r\nConnection: close\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The server keeps the connection open either way: only the client's rule decides.
        ScriptedHttpServer server({Reply(c.redirect), Reply(ok("done"))});
        net::TIdHTTP http;
        http.HandleRedirects = true;
        http.ReadTimeout = 2000;
        QByteArray stream;
        EXPECT_EQ(
            test::errorOf([&] { http.GetToStream(server.url(QStringLiteral("/a")), stream); }),
            QString());
        EXPECT_EQ(stream, "done");
        EXPECT_EQ(server.acceptedConnections(), c.connections);
    }
}

} // namespace
} // namespace kelvane
