#include "net/http_request.h"

#include <gtest/gtest.h>

namespace kelvane::net {
namespace {

GetRequest basic() {
    GetRequest r;
    r.target = QStringLiteral("/s?wd=x");
    r.host = QStringLiteral("a.example");
    r.accept = QStringLiteral("text/html, */*");
    r.acceptEncoding = QStringLiteral("identity");
    return r;
}

TEST(HttpRequestTest, HeadersInTheirOrderAndOnlyWhenDue) {
    GetRequest r = basic();
    EXPECT_EQ(buildGetRequest(r), "GET /s?wd=x HTTP/1.1\r\n"
                                  "Host: a.example\r\n"
                                  "Accept: text/html, */*\r\n"
                                  "Accept-Encoding: identity\r\n"
                                  "\r\n");
    r.userAgent = QStringLiteral("MSIE 6.0");
    r.cookie = QStringLiteral("a=1; b=2");
    EXPECT_EQ(buildGetRequest(r), "GET /s?wd=x HTTP/1.1\r\n"
                                  "Host: a.example\r\n"
                                  "Accept: text/html, */*\r\n"
                                  "Accept-Encoding: identity\r\n"
                                  "User-Agent: MSIE 6.0\r\n"
                                  "Cookie: a=1; b=2\r\n"
                                  "\r\n");
}

struct TargetCase {
    const char* name;
    QString target;
    QByteArray encoded;
};

// No byte of a target can end the request line or start a header line.
TEST(HttpRequestTest, TargetCannotSplitTheRequest) {
    const TargetCase cases[] = {
        {"printable kept", QStringLiteral("/s?q=site:a.example&x=%41#f"),
         "/s?q=site:a.example&x=%41#f"},
        {"CR LF", QStringLiteral("/a\r\nX-Injected: 1"), "/a%0D%0AX-Injected:%201"},
        {"lone LF", QStringLiteral("/a\nb"), "/a%0Ab"},
        {"NUL and DEL", QString::fromLatin1("/a\0b\x7f", 5), "/a%00b%7F"},
        {"tab and space", QStringLiteral("/a\tb c"), "/a%09b%20c"},
        {"non-ASCII as UTF-8", QStringLiteral("/\u4e2d"), "/%E4%B8%AD"},
    };
    for (const TargetCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encodeRequestTarget(c.target), c.encoded);
        GetRequest r = basic();
        r.target = c.target;
        const QByteArray bytes = buildGetRequest(r);
        EXPECT_EQ(bytes.count('\n'), 5);
        EXPECT_TRUE(bytes.startsWith("GET " + c.encoded + " HTTP/1.1\r\nHost:"));
    }
}

TEST(HttpRequestTest, HeaderValuesCannotAddLines) {
    GetRequest r = basic();
    r.userAgent = QStringLiteral("UA\r\nX-Evil: 1");
    r.cookie = QStringLiteral("a=1\rb\u4e2d");
    const QByteArray bytes = buildGetRequest(r);
    EXPECT_EQ(bytes.count('\n'), 7);
    EXPECT_TRUE(bytes.contains("User-Agent: UA  X-Evil: 1\r\n"));
    EXPECT_TRUE(bytes.contains("Cookie: a=1 b?\r\n"));
}

TEST(HttpRequestTest, LongHeaderLinesFoldAtSpacesTabsAndCommas) {
    const QString longCookie = [] {
        QStringList pairs;
        for (int i = 0; i < 200; ++i)
            pairs.append(QStringLiteral("name%1=value%1").arg(i));
        return pairs.join(QLatin1String("; "));
    }();
    const QString line = QStringLiteral("Cookie: ") + longCookie;
    const QStringList pieces = foldHeaderLine(line);
    ASSERT_GT(pieces.size(), 1);
    QString joined;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        EXPECT_LE(pieces[i].size(), 1024) << i;
        if (i > 0) {
            EXPECT_TRUE(pieces[i].startsWith(u' ')) << i;
            EXPECT_FALSE(pieces[i].startsWith(QLatin1String("  "))) << i;
        }
        joined += i == 0 ? pieces[i] : pieces[i].mid(1);
    }
    // Folding at a space removes that space; nothing else changes.
    EXPECT_EQ(QString(joined).remove(u' '), QString(line).remove(u' '));

    const QString commas = QStringLiteral("Accept: ") + QString(1100, u'a') + u',' + u'b';
    EXPECT_EQ(foldHeaderLine(commas),
              (QStringList{QStringLiteral("Accept: ") + QString(1100, u'a') + u',',
                           QStringLiteral(" b")}))
        << "no fold point within reach: the first one after it";
    const QString unbroken = QStringLiteral("Accept: ") + QString(1100, u'a');
    EXPECT_EQ(foldHeaderLine(unbroken), QStringList{unbroken}) << "never after the name alone";
    const QString commaInReach =
        QStringLiteral("Accept: ") + QString(1000, u'a') + u',' + QString(100, u'b');
    EXPECT_EQ(foldHeaderLine(commaInReach),
              (QStringList{QStringLiteral("Accept: ") + QString(1000, u'a') + u',',
                           u' ' + QString(100, u'b')}));
    EXPECT_EQ(foldHeaderLine(QString(1024, u'x')), QStringList{QString(1024, u'x')});
}

TEST(HttpRequestTest, IdentityJoinsAcceptEncodingOnce) {
    EXPECT_EQ(withIdentity(QString()), QStringLiteral("identity"));
    EXPECT_EQ(withIdentity(QStringLiteral("gzip")), QStringLiteral("gzip, identity"));
    EXPECT_EQ(withIdentity(QStringLiteral("gzip, identity")), QStringLiteral("gzip, identity"));
    EXPECT_EQ(withIdentity(withIdentity(QString())), QStringLiteral("identity"));
}

} // namespace
} // namespace kelvane::net
