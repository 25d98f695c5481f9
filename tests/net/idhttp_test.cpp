#include "net/idhttp.h"
#include "support/scripted_http_server.h"

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::httpResponse;
using test::Reply;
using test::ScriptedHttpServer;

QByteArray ok(const QByteArray& body, const QList<QByteArray>& headers = {}) {
    return httpResponse("HTTP/1.1 200 OK", headers, body);
}

QByteArray redirectTo(const QByteArray& location, const QList<QByteArray>& extra = {}) {
    QList<QByteArray> headers = extra;
    headers.prepend("Location: " + location);
    return httpResponse("HTTP/1.1 302 Found", headers, "moved");
}

// The message of the KelvaneError that the call raises; fails when it raises nothing.
QString errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const platform::KelvaneError& error) {
        return error.message();
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

TEST(IdHTTPTest, NewObjectHasTheDocumentedSettings) {
    net::TIdHTTP http;
    EXPECT_EQ(http.Request.UserAgent, QStringLiteral("Mozilla/3.0 (compatible; Indy Library)"));
    EXPECT_EQ(http.Request.Accept, QStringLiteral("text/html, */*"));
    EXPECT_TRUE(http.Request.AcceptEncoding.isEmpty());
    EXPECT_FALSE(http.HandleRedirects);
    EXPECT_EQ(http.RedirectMaximum, 15);
    EXPECT_EQ(http.ReadTimeout, -1);
}

TEST(IdHTTPTest, SendsExactlyTheDefaultRequest) {
    ScriptedHttpServer server({ok("hi")});
    net::TIdHTTP http;
    QByteArray body;
    http.GetToStream(server.url(QStringLiteral("/s?wd=site:a.example link:b.example#x")), body);
    EXPECT_EQ(body, "hi");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0], "GET /s?wd=site:a.example%20link:b.example#x HTTP/1.1\r\n"
                                    "Host: " +
                                        server.hostPort().toLatin1() +
                                        "\r\n"
                                        "Accept: text/html, */*\r\n"
                                        "Accept-Encoding: identity\r\n"
                                        "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                                        "\r\n");
    EXPECT_EQ(http.Request.AcceptEncoding, QStringLiteral("identity"));
}

TEST(IdHTTPTest, EmptyUserAgentSendsThreeHeaderLines) {
    ScriptedHttpServer server({ok("hi")});
    net::TIdHTTP http;
    http.Request.UserAgent.clear();
    QByteArray body;
    http.GetToStream(server.url(QStringLiteral("\\dir\\page.htm#top")), body);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0], "GET /dir/page.htm HTTP/1.1\r\n"
                                    "Host: " +
                                        server.hostPort().toLatin1() +
                                        "\r\n"
                                        "Accept: text/html, */*\r\n"
                                        "Accept-Encoding: identity\r\n"
                                        "\r\n");
}

TEST(IdHTTPTest, RedirectWithRedirectsOffFailsWithTheStatusLine) {
    ScriptedHttpServer server({redirectTo("/elsewhere")});
    net::TIdHTTP http;
    QByteArray stream = "kept";
    try {
        http.GetToStream(server.url(), stream);
        FAIL() << "no error";
    } catch (const net::EIdHTTPProtocolException& error) {
        EXPECT_EQ(error.message(), QStringLiteral("HTTP/1.1 302 Found"));
        EXPECT_EQ(error.ErrorCode(), 302);
        EXPECT_EQ(error.ErrorMessage(), QStringLiteral("moved"));
    }
    EXPECT_EQ(stream, "kept");
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(IdHTTPTest, LocationOnA200IsARedirect) {
    ScriptedHttpServer server({ok("body", {"Location: /next"})});
    net::TIdHTTP http;
    QByteArray stream;
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("HTTP/1.1 200 OK"));
    EXPECT_TRUE(stream.isEmpty());
}

TEST(IdHTTPTest, FifteenRedirectsEndWithTheStreamAsItWas) {
    ScriptedHttpServer server;
    for (int i = 1; i <= 15; ++i)
        server.addReply(redirectTo("/r" + QByteArray::number(i)));
    server.addReply(ok("never"));
    net::TIdHTTP http;
    http.HandleRedirects = true;
    QByteArray stream = "before";
    http.GetToStream(server.url(QStringLiteral("/r0")), stream);
    EXPECT_EQ(stream, "before");
    EXPECT_EQ(server.requests().size(), 15);
    EXPECT_EQ(http.Response().ResponseCode, 302);
}

TEST(IdHTTPTest, FourteenRedirectsThenTheFinalBody) {
    ScriptedHttpServer server;
    for (int i = 1; i <= 14; ++i)
        server.addReply(redirectTo("/r" + QByteArray::number(i)));
    server.addReply(ok("final", {"Content-Type: text/plain; charset=utf-8"}));
    net::TIdHTTP http;
    http.HandleRedirects = true;
    QByteArray stream = "x";
    http.GetToStream(server.url(QStringLiteral("/r0")), stream);
    EXPECT_EQ(stream, "xfinal");
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 15);
    EXPECT_EQ(test::requestTarget(requests.last()), "/r14");
    EXPECT_EQ(http.Response().ContentType(), QStringLiteral("text/plain; charset=utf-8"));
    EXPECT_EQ(server.acceptedConnections(), 1);
}

TEST(IdHTTPTest, RelativeLocationKeepsHostPortAndConnection) {
    ScriptedHttpServer server({redirectTo("/b/c.php?q=1"), redirectTo("d.htm"), ok("done")});
    net::TIdHTTP http;
    http.HandleRedirects = true;
    QByteArray stream;
    http.GetToStream(server.url(QStringLiteral("/a/start")), stream);
    EXPECT_EQ(stream, "done");
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(test::requestTarget(requests[1]), "/b/c.php?q=1");
    EXPECT_EQ(test::requestTarget(requests[2]), "/b/d.htm");
    EXPECT_EQ(test::requestHeader(requests[2], "Host"), server.hostPort().toLatin1());
    EXPECT_EQ(server.acceptedConnections(), 1);
}

TEST(IdHTTPTest, LocationTargetsAreTheServersOwnBytes) {
    const struct {
        const char* start;
        QByteArray location;
        QByteArray requested;
    } cases[] = {
        // Raw 8-bit bytes go out percent-encoded as they came, not re-encoded as UTF-8.
        {"/a", "/s?wd=\xD6\xD0", "/s?wd=%D6%D0"},
        // An empty reference is the current target: path, document and query kept.
        {"/s?wd=kw&pn=0", "", "/s?wd=kw&pn=0"},
        {"/dir/p.htm?x=1", "#top", "/dir/p.htm?x=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        ScriptedHttpServer server({redirectTo(c.location), ok("done")});
        net::TIdHTTP http;
        http.HandleRedirects = true;
        QByteArray stream;
        http.GetToStream(server.url(QString::fromLatin1(c.start)), stream);
        EXPECT_EQ(stream, "done");
        ASSERT_EQ(server.requests().size(), 2);
        EXPECT_EQ(test::requestTarget(server.requests()[1]), c.requested);
    }
}

TEST(IdHTTPTest, RedirectToAnotherPortOpensANewConnection) {
    ScriptedHttpServer second({ok("there")});
    ScriptedHttpServer first({redirectTo(second.url(QStringLiteral("/x")).toLatin1())});
    net::TIdHTTP http;
    http.HandleRedirects = true;
    QByteArray stream;
    http.GetToStream(first.url(), stream);
    EXPECT_EQ(stream, "there");
    EXPECT_EQ(test::requestHeader(second.requests().value(0), "Host"),
              second.hostPort().toLatin1());
}

TEST(IdHTTPTest, CookieFromARedirectGoesBackButNotToAnotherObject) {
    ScriptedHttpServer server({redirectTo("/next", {"Set-Cookie: sid=abc; Path=/"}),
                               ok("one", {"set-cookie: lang=zh"}), ok("two"), ok("other")});
    net::TIdHTTP http;
    http.HandleRedirects = true;
    QByteArray stream;
    http.GetToStream(server.url(QStringLiteral("/start")), stream);
    http.GetToStream(server.url(QStringLiteral("/page2")), stream);
    EXPECT_EQ(stream, "onetwo");
    {
        net::TIdHTTP other;
        QByteArray elsewhere;
        other.GetToStream(server.url(QStringLiteral("/page2")), elsewhere);
        EXPECT_EQ(elsewhere, "other");
    }
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(test::requestHeader(requests[0], "Cookie"), "");
    EXPECT_EQ(test::requestHeader(requests[1], "Cookie"), "sid=abc");
    EXPECT_EQ(test::requestHeader(requests[2], "Cookie"), "sid=abc; lang=zh");
    EXPECT_FALSE(requests[3].contains("Cookie"));
}

TEST(IdHTTPTest, ChunkedBodyDeliversExactlyTheChunks) {
    const QByteArray chunk(26, 'z');
    ScriptedHttpServer server({httpResponse("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
                                            "1a\r\n" + chunk + "\r\n0\r\n\r\n"),
                               ok("next")});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, chunk);
    // The connection is left at the next response.
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, chunk + "next");
    EXPECT_EQ(server.acceptedConnections(), 1);
}

TEST(IdHTTPTest, BodyWithoutLengthIsReadUntilClose) {
    ScriptedHttpServer server(
        {Reply("HTTP/1.0 200 OK\r\n\r\nfirst part ").delay(50).send("second part").close()});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, "first part second part");
}

TEST(IdHTTPTest, TwoCallsAppendToTheSameStream) {
    ScriptedHttpServer server({ok("abc"), ok("def")});
    net::TIdHTTP http;
    QByteArray stream = ">";
    http.GetToStream(server.url(), stream);
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, ">abcdef");
    EXPECT_EQ(server.acceptedConnections(), 1);
}

TEST(IdHTTPTest, ConnectionCloseIsHonouredAndTheNextCallReconnects) {
    ScriptedHttpServer server({ok("a", {"Connection: close"}), ok("b")});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, "ab");
    EXPECT_EQ(server.acceptedConnections(), 2);
}

TEST(IdHTTPTest, ServerClosedKeptConnectionIsReplacedBeforeTheNextRequest) {
    ScriptedHttpServer server({Reply(ok("a")).close(), ok("b")});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    ASSERT_TRUE(server.waitForRequests(1));
    // Let the close reach us before the second request.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 100) {
    }
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, "ab");
    EXPECT_EQ(server.acceptedConnections(), 2);
}

TEST(IdHTTPTest, HttpsIsRefusedDirectlyAndAsARedirectTarget) {
    net::TIdHTTP http;
    QByteArray stream;
    EXPECT_EQ(errorOf([&] { http.GetToStream(QStringLiteral("https://127.0.0.1/"), stream); }),
              QStringLiteral("IOHandler value is not valid"));

    ScriptedHttpServer server({redirectTo("https://127.0.0.1/secure")});
    http.HandleRedirects = true;
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("IOHandler value is not valid"));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(IdHTTPTest, OtherSchemesWithoutPortAreUnknown) {
    ScriptedHttpServer server({redirectTo("ftp://127.0.0.1/file")});
    net::TIdHTTP http;
    http.HandleRedirects = true;
    QByteArray stream;
    EXPECT_EQ(errorOf([&] { http.GetToStream(QStringLiteral("gopher://127.0.0.1/"), stream); }),
              QStringLiteral("Unknown Protocol"));
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("Unknown Protocol"));
}

TEST(IdHTTPTest, SilentServerTimesOut) {
    ScriptedHttpServer server({Reply().silent()});
    net::TIdHTTP http;
    http.ReadTimeout = 200;
    QByteArray stream;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("Read timed out."));
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(IdHTTPTest, StalledBodyTimesOutKeepingWhatArrived) {
    ScriptedHttpServer server({Reply(httpResponse("HTTP/1.1 200 OK", {"Content-Length: 10"}, {}))
                                   .send("12345")
                                   .silent()});
    net::TIdHTTP http;
    http.ReadTimeout = 200;
    QByteArray stream;
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("Read timed out."));
    EXPECT_EQ(stream, "12345");
}

TEST(IdHTTPTest, DrippedResponseArrivesWhole) {
    const QByteArray response = ok("slowly but surely", {"Content-Type: text/html"});
    ScriptedHttpServer server({Reply().drip(response, 3, 5)});
    net::TIdHTTP http;
    http.ReadTimeout = 1000;
    EXPECT_EQ(http.GetToString(server.url()), QStringLiteral("slowly but surely"));
}

TEST(IdHTTPTest, CloseBeforeTheStatusLine) {
    ScriptedHttpServer server({Reply().close()});
    net::TIdHTTP http;
    QByteArray stream;
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("Connection Closed Gracefully."));
}

TEST(IdHTTPTest, HeaderLineLimitIs16384Characters) {
    const QByteArray fits = "X-Long: " + QByteArray(16384 - 8, 'a');
    const QByteArray over = fits + 'a';
    ScriptedHttpServer server({ok("fine", {fits}), ok("never", {over})});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, "fine");
    EXPECT_EQ(http.Response().header(QStringLiteral("x-long")).size(), 16384 - 8);
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("Max line length exceeded."));
}

TEST(IdHTTPTest, ErrorStatusCarriesCodeAndDecodedBody) {
    ScriptedHttpServer server(
        {httpResponse("HTTP/1.1 404 Not Found", {"Content-Type: text/html; charset=\"UTF-8\""},
                      "\xe6\x9c\xaa\xe6\x89\xbe\xe5\x88\xb0"),
         httpResponse("HTTP/1.1 401 Unauthorized", {"WWW-Authenticate: Basic realm=x"}, "no")});
    net::TIdHTTP http;
    QByteArray stream;
    try {
        http.GetToStream(server.url(), stream);
        FAIL() << "no error";
    } catch (const net::EIdHTTPProtocolException& error) {
        EXPECT_EQ(error.message(), QStringLiteral("HTTP/1.1 404 Not Found"));
        EXPECT_EQ(error.ErrorCode(), 404);
        EXPECT_EQ(error.ErrorMessage(), QString::fromUtf8("\xe6\x9c\xaa\xe6\x89\xbe\xe5\x88\xb0"));
    }
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("HTTP/1.1 401 Unauthorized"));
    EXPECT_TRUE(stream.isEmpty());
    // The error bodies were read, so the connection stayed usable.
    EXPECT_EQ(server.acceptedConnections(), 1);
}

TEST(IdHTTPTest, ContinueResponsesAreSkipped) {
    ScriptedHttpServer server({"HTTP/1.1 100 Continue\r\nSet-Cookie: a=1\r\n\r\n"
                               "HTTP/1.1 100 Continue\r\n\r\n" +
                                   ok("after"),
                               ok("again")});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, "afteragain");
    EXPECT_EQ(test::requestHeader(server.requests().value(1), "Cookie"), "a=1");
}

TEST(IdHTTPTest, NoContentAndNotModified) {
    ScriptedHttpServer server(
        {Reply("HTTP/1.1 204 No Content\r\n\r\n"), Reply("HTTP/1.1 304 Not Modified\r\n\r\n")});
    net::TIdHTTP http;
    QByteArray stream;
    http.GetToStream(server.url(), stream);
    EXPECT_TRUE(stream.isEmpty());
    EXPECT_EQ(http.Response().ResponseCode, 204);
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("HTTP/1.1 304 Not Modified"));
}

TEST(IdHTTPTest, BytesAfterANoContentNeverReachTheCaller) {
    const QByteArray replies[] = {
        "HTTP/1.1 204 No Content\r\n\r\nSTRAY",
        "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\nBODY5",
    };
    for (const QByteArray& reply : replies) {
        SCOPED_TRACE(reply.toStdString());
        ScriptedHttpServer server({Reply(reply), Reply(reply)});
        net::TIdHTTP http;
        QByteArray stream = "kept";
        http.GetToStream(server.url(), stream);
        EXPECT_EQ(stream, "kept");
        EXPECT_EQ(http.GetToString(server.url()), QString());
    }
    // Stray bytes after a 304 are read off as well: the exchange fails with its status line.
    ScriptedHttpServer server({Reply("HTTP/1.1 304 Not Modified\r\n\r\nSTRAY")});
    net::TIdHTTP http;
    QByteArray stream;
    EXPECT_EQ(errorOf([&] { http.GetToStream(server.url(), stream); }),
              QStringLiteral("HTTP/1.1 304 Not Modified"));
}

TEST(IdHTTPTest, GetToStringDecodesByTheFinalContentType) {
    const QByteArray gb = "\xd6\xd0"; // 中 in GBK
    const QByteArray utf8 = "\xe4\xb8\xad";
    ScriptedHttpServer server({ok(gb, {"Content-Type: text/html; charset=gb2312"}),
                               ok(utf8, {"Content-Type: text/html; Charset=UTF8"})});
    net::TIdHTTP http;
    EXPECT_EQ(http.GetToString(server.url()), QString::fromLatin1(gb));
    EXPECT_EQ(http.GetToString(server.url()), QString::fromUtf8(utf8));
}

TEST(IdHTTPTest, RefusedConnectionIsASocketError) {
    quint16 port;
    {
        ScriptedHttpServer gone;
        port = gone.port();
    }
    net::TIdHTTP http;
    QByteArray stream;
    const QString message = errorOf(
        [&] { http.GetToStream(QStringLiteral("http://127.0.0.1:%1/").arg(port), stream); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Socket Error # 111\n")))
        << message.toStdString();
}

} // namespace
} // namespace kelvane
