#include "net/http_response_head.h"

#include <gtest/gtest.h>

namespace kelvane::net {
namespace {

TEST(HttpResponseHeadTest, StatusCodeIsTheSecondField) {
    const struct {
        const char* line;
        int code;
    } cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {"HTTP/1.0 404 Not Found", 404},
        {"HTTP/1.1  302  Found", 302},
        {"HTTP/1.1 200", 200},
        {"HTTP/1.1", -1},
        {"", -1},
        {"garbage", -1},
        {"HTTP/1.1 OK 200", -1},
        {"HTTP/1.1 20x OK", -1},
        {"HTTP/1.1 -200 OK", -1},
        {"HTTP/1.1 99999999999999999999 Big", -1},
        {"\x01\x02 \x03", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(statusCodeOf(QString::fromLatin1(c.line)), c.code);
    }
}

TEST(HttpResponseHeadTest, JoinsContinuationLinesAndMatchesNamesInAnyCase) {
    const IdHTTPResponse head = parseResponseHead(
        {QStringLiteral("HTTP/1.1 200 OK"), QStringLiteral("Content-TYPE:text/html;"),
         QStringLiteral("\t charset=utf-8"), QStringLiteral("X-Empty:"), QStringLiteral(" later"),
         QStringLiteral("Set-Cookie: a=1"), QStringLiteral("set-cookie: b=2"),
         QStringLiteral("no colon here")});
    EXPECT_EQ(head.ResponseCode, 200);
    EXPECT_EQ(head.statusLine, QStringLiteral("HTTP/1.1 200 OK"));
    EXPECT_EQ(head.ContentType(), QStringLiteral("text/html; charset=utf-8"));
    EXPECT_EQ(head.header(QStringLiteral("x-empty")), QStringLiteral("later"));
    EXPECT_EQ(head.header(QStringLiteral("SET-COOKIE")), QStringLiteral("a=1"));
    EXPECT_EQ(head.headers.size(), 5);
    EXPECT_TRUE(head.header(QStringLiteral("Location")).isEmpty());
}

TEST(HttpResponseHeadTest, BodyFraming) {
    const auto headWith = [](const char* line) {
        return parseResponseHead({QStringLiteral("HTTP/1.1 200 OK"), QString::fromLatin1(line)});
    };
    const struct {
        const char* header;
        qint64 length;
        bool chunked;
        bool close;
    } cases[] = {
        {"Content-Length: 26", 26, false, false},
        {"content-length:  0 ", 0, false, false},
        {"Content-Length: -5", -1, false, false},
        {"Content-Length: 12abc", -1, false, false},
        {"Content-Length: 99999999999999999999999", -1, false, false},
        {"Content-Length: 1000000000000000", 1000000000000000, false, false},
        {"Transfer-Encoding: gzip, CHUNKED", -1, true, false},
        {"Connection: Close ", -1, false, true},
        {"Proxy-Connection: close", -1, false, true},
        {"Connection: keep-alive, close", -1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const IdHTTPResponse head = headWith(c.header);
        EXPECT_EQ(contentLength(head), c.length);
        EXPECT_EQ(isChunked(head), c.chunked);
        EXPECT_EQ(asksToClose(head), c.close);
    }
}

} // namespace
} // namespace kelvane::net
