#include "platform/text_codec.h"
#include "query/fetch_and_extract.h"
#include "support/scripted_http_server.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvane {
namespace {

using test::httpResponse;
using test::ScriptedHttpServer;

const QString kCountPattern = QStringLiteral("找到相关网页((.|\\n)*?)篇");
const QStringList kCountTokens = {QStringLiteral("找到相关网页"), QStringLiteral("约"),
                                  QStringLiteral("篇"), QStringLiteral(",")};

QByteArray gbk(const QString& text) {
    return platform::toAnsi(text);
}

test::Reply page(const QByteArray& body, const QByteArray& contentType = "text/html") {
    return httpResponse("HTTP/1.1 200 OK", {"Content-Type: " + contentType}, body);
}

query::FetchRequest countRequest(const QString& url,
                                 query::FetchMode mode = query::FetchMode::Stream) {
    query::FetchRequest request;
    request.url = url;
    request.mode = mode;
    request.options.userAgent = QString();
    request.pattern = kCountPattern;
    request.tokens = kCountTokens;
    request.fallback = QStringLiteral("0");
    return request;
}

// A loopback port with nothing listening on it.
quint16 closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(FetchAndExtract, CutsTheCountOutOfAGbkPage) {
    const struct {
        const char* name;
        const char16_t* body;
        const char16_t* expected;
        query::FallbackReason reason;
    } cases[] = {
        {"baidu_example", u"<p>找到相关网页约12,300篇</p>", u"12300", query::FallbackReason::None},
        {"across_lines", u"找到相关网页\r\n约\r\n\r\n7篇", u"\r\n\r\n\r\n7",
         query::FallbackReason::None},
        {"first_of_two", u"找到相关网页约1篇 找到相关网页约2篇", u"1", query::FallbackReason::None},
        {"no_match", u"<p>没有找到</p>", u"0", query::FallbackReason::NoMatch},
        {"only_tokens", u"找到相关网页篇", u"0", query::FallbackReason::EmptyAfterCut},
    };
    for (const auto& c : cases) {
        ScriptedHttpServer server({page(gbk(QString::fromUtf16(c.body)))});
        const query::FetchOutcome outcome = query::FetchAndExtractOutcome(
            countRequest(server.url(QStringLiteral("/s?wd=site:ab.example"))), {});
        EXPECT_EQ(outcome.value, QString::fromUtf16(c.expected)) << c.name;
        EXPECT_EQ(outcome.reason, c.reason) << c.name;
    }
}

TEST(FetchAndExtract, FailuresFallBackAndSayWhy) {
    {
        const query::FetchOutcome outcome = query::FetchAndExtractOutcome(
            countRequest(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort())), {});
        EXPECT_EQ(outcome.value, QStringLiteral("0"));
        EXPECT_EQ(outcome.reason, query::FallbackReason::NoConnection);
        EXPECT_TRUE(outcome.errorMessage.startsWith(QStringLiteral("Socket Error # ")));
    }
    {
        ScriptedHttpServer server({httpResponse("HTTP/1.1 503 Service Unavailable", {}, "busy")});
        const query::FetchOutcome outcome =
            query::FetchAndExtractOutcome(countRequest(server.url()), {});
        EXPECT_EQ(outcome.value, QStringLiteral("0"));
        EXPECT_EQ(outcome.reason, query::FallbackReason::HttpStatus);
        EXPECT_EQ(outcome.httpStatus, 503);
    }
    {
        ScriptedHttpServer server({test::Reply().silent()});
        query::FetchRequest request = countRequest(server.url());
        request.options.readTimeoutMs = 200;
        const query::FetchOutcome outcome = query::FetchAndExtractOutcome(request, {});
        EXPECT_EQ(outcome.value, QStringLiteral("0"));
        EXPECT_TRUE(outcome.reason == query::FallbackReason::TimedOut ||
                    outcome.reason == query::FallbackReason::HttpStatus);
    }
    {
        ScriptedHttpServer server({page("x")});
        query::FetchRequest request = countRequest(server.url());
        request.pattern = QStringLiteral("(unclosed");
        const query::FetchOutcome outcome = query::FetchAndExtractOutcome(request, {});
        EXPECT_EQ(outcome.value, QStringLiteral("0"));
        EXPECT_EQ(outcome.reason, query::FallbackReason::MatcherFailure);
    }
}

TEST(FetchAndExtract, CharsetTextDecodesUtf8OnlyWhenTheResponseSaysSo) {
    const QByteArray utf8Body = QStringLiteral("找到相关网页约5篇").toUtf8();
    const struct {
        QByteArray body;
        QByteArray contentType;
        const char* expected;
    } cases[] = {
        {gbk(QStringLiteral("找到相关网页约5篇")), "text/html; charset=gb2312", "0"},
        {utf8Body, "text/html; charset=gb2312", "0"},
        {utf8Body, "text/html; charset=UTF-8", "5"},
        {utf8Body, "text/html; charset=utf8", "5"},
        {utf8Body, "text/html", "0"},
    };
    for (const auto& c : cases) {
        ScriptedHttpServer server({page(c.body, c.contentType)});
        EXPECT_EQ(
            query::FetchAndExtract(countRequest(server.url(), query::FetchMode::CharsetText), {}),
            QString::fromLatin1(c.expected))
            << c.contentType.constData();
    }
}

TEST(FetchAndExtract, StreamDecodesAsAnsiWhateverTheCharset) {
    ScriptedHttpServer server(
        {page(QStringLiteral("找到相关网页约5篇").toUtf8(), "text/html; charset=utf-8")});
    EXPECT_EQ(query::FetchAndExtract(countRequest(server.url(), query::FetchMode::Stream), {}),
              QStringLiteral("0"));
}

TEST(FetchAndExtract, KeepsThePageOnSuccessOnlyAndPumpsWhenAsked) {
    platform::PageText kept(QStringLiteral("earlier page"));
    int pumps = 0;
    const query::EventPump pump = [&] { ++pumps; };
    {
        ScriptedHttpServer server({page(gbk(QStringLiteral("无结果")))});
        query::FetchRequest request = countRequest(server.url());
        request.keep = &kept;
        request.pumpAtEnd = true;
        EXPECT_EQ(query::FetchAndExtract(request, pump), QStringLiteral("0"));
        EXPECT_EQ(kept.toString(), QStringLiteral("无结果"));
        EXPECT_EQ(pumps, 1);
    }
    {
        query::FetchRequest request =
            countRequest(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort()));
        request.keep = &kept;
        request.pumpAtEnd = true;
        EXPECT_EQ(query::FetchAndExtract(request, pump), QStringLiteral("0"));
        EXPECT_EQ(kept.toString(), QStringLiteral("无结果"));
        EXPECT_EQ(pumps, 2);
        request.pumpAtEnd = false;
        query::FetchAndExtract(request, pump);
        EXPECT_EQ(pumps, 2);
    }
}

TEST(FetchAndExtract, SendsTheUrlUnchangedThroughAFreshClient) {
    ScriptedHttpServer server({page(gbk(QStringLiteral("找到相关网页约1篇"))),
                               page(gbk(QStringLiteral("找到相关网页约2篇")))});
    EXPECT_EQ(query::FetchAndExtract(
                  countRequest(server.url(QStringLiteral("/s?wd=site:AB.example"))), {}),
              QStringLiteral("1"));
    EXPECT_EQ(query::FetchAndExtract(
                  countRequest(server.url(QStringLiteral("/s?wd=domain:ab.example"))), {}),
              QStringLiteral("2"));
    ASSERT_TRUE(server.waitForRequests(2));
    EXPECT_TRUE(server.requests()[0].startsWith("GET /s?wd=site:AB.example HTTP/1.1\r\n"));
    EXPECT_TRUE(server.requests()[1].startsWith("GET /s?wd=domain:ab.example HTTP/1.1\r\n"));
    // Nothing carries over: each fetch opens its own connection.
    EXPECT_EQ(server.acceptedConnections(), 2);
}

} // namespace
} // namespace kelvane
