#include "net/idhttp.h"
#include "support/scripted_http_server.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::httpResponse;
using test::Reply;
using test::ScriptedHttpServer;

// The handler mode that fixture webs build on: queued replies first, then the handler.
TEST(ScriptedHttpServerTest, QueuedRepliesThenHandler) {
    ScriptedHttpServer server({Reply(httpResponse("HTTP/1.1 200 OK", {}, "queued"))});
    server.setHandler([](const QByteArray& request) {
        const QByteArray target = test::requestTarget(request);
        if (target == "/missing")
            return Reply(httpResponse("HTTP/1.1 404 Not Found", {}, "no"));
        return Reply(
            httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/plain"},
                         "page " + target + " for " + test::requestHeader(request, "user-agent")));
    });
    net::TIdHTTP http;
    http.Request.UserAgent = QStringLiteral("MSIE 6.0");
    EXPECT_EQ(http.GetToString(server.url(QStringLiteral("/any"))), QStringLiteral("queued"));
    EXPECT_EQ(http.GetToString(server.url(QStringLiteral("/a?b=c"))),
              QStringLiteral("page /a?b=c for MSIE 6.0"));
    EXPECT_THROW(http.GetToString(server.url(QStringLiteral("/missing"))),
                 net::EIdHTTPProtocolException);
    EXPECT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.acceptedConnections(), 1);
    EXPECT_TRUE(server.waitForRequests(3, 10));
    EXPECT_FALSE(server.waitForRequests(4, 10));
}

TEST(ScriptedHttpServerTest, ResponseHelperFramesTheBody) {
    EXPECT_EQ(httpResponse("HTTP/1.1 200 OK", {"X-A: 1"}, "abc"),
              "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(httpResponse("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n");
}

} // namespace
} // namespace kelvane
