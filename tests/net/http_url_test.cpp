#include "net/http_url.h"

#include <gtest/gtest.h>

namespace kelvane::net {
namespace {

struct ParseCase {
    const char* url;
    const char* scheme;
    const char* host;
    const char* port;
    const char* target;
    const char* hostValue;
};

TEST(HttpUrlTest, ParsesTheWayTheRequestIsBuilt) {
    const ParseCase cases[] = {
        {"http://a.example", "http", "a.example", "80", "/", "a.example"},
        {"http://a.example/", "http", "a.example", "80", "/", "a.example"},
        {"http://a.example:8080/x/y.htm", "http", "a.example", "8080", "/x/y.htm",
         "a.example:8080"},
        {"http://a.example:80/x", "http", "a.example", "80", "/x", "a.example"},
        // The port shows only when it is not the scheme's default.
        {"https://a.example/", "https", "a.example", "443", "/", "a.example"},
        {"https://a.example:8443/", "https", "a.example", "8443", "/", "a.example:8443"},
        {"https://a.example:80/", "https", "a.example", "80", "/", "a.example:80"},
        {"http://a.example:443/", "http", "a.example", "443", "/", "a.example:443"},
        {"http://user:pw@a.example/p", "http", "a.example", "80", "/p", "a.example"},
        {"http:\\\\a.example\\dir\\doc.asp", "http", "a.example", "80", "/dir/doc.asp",
         "a.example"},
        {"http://a.example/s?wd=site:b.example", "http", "a.example", "80", "/s?wd=site:b.example",
         "a.example"},
        {"http://a.example?q=1/2", "http", "a.example", "80", "/?q=1/2", "a.example"},
        {"http://a.example/doc#frag", "http", "a.example", "80", "/doc", "a.example"},
        {"http://a.example/s?q=a#b", "http", "a.example", "80", "/s?q=a#b", "a.example"},
        {"http://a.example/dir/?", "http", "a.example", "80", "/dir/", "a.example"},
        {"http://[::1]:81/", "http", "[::1]", "81", "/", "[::1]:81"},
        {"http://[::1]/", "http", "[::1]", "80", "/", "[::1]"},
        {"ftp://a.example/f", "ftp", "a.example", "", "/f", "a.example:"},
        {"ftp://a.example:21/f", "ftp", "a.example", "21", "/f", "a.example:21"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.url);
        const Url url = parseUrl(QString::fromLatin1(c.url));
        EXPECT_EQ(url.scheme, QLatin1String(c.scheme));
        EXPECT_EQ(url.host, QLatin1String(c.host));
        EXPECT_EQ(url.port, QLatin1String(c.port));
        EXPECT_EQ(requestTarget(url), QLatin1String(c.target));
        EXPECT_EQ(hostValue(url), QLatin1String(c.hostValue));
    }
}

TEST(HttpUrlTest, SplitsPathAndDocument) {
    const Url url = parseUrl(QStringLiteral("http://h/a/b/c.php?x=1"));
    EXPECT_EQ(url.path, QStringLiteral("/a/b/"));
    EXPECT_EQ(url.document, QStringLiteral("c.php"));
    EXPECT_EQ(url.query, QStringLiteral("x=1"));
}

struct ResolveCase {
    const char* current;
    const char* location;
    const char* resolved;
};

TEST(HttpUrlTest, ResolvesLocations) {
    const ResolveCase cases[] = {
        {"http://h:81/a/b.htm", "/c/d.htm?q=1", "http://h:81/c/d.htm?q=1"},
        {"http://h:81/a/b.htm", "c.htm", "http://h:81/a/c.htm"},
        {"http://h:81/a/b.htm?old=1", "c/", "http://h:81/a/c/"},
        {"http://h:81/a/b/c", "../d", "http://h:81/a/d"},
        {"http://h:81/a/b/c", "../../../d", "http://h:81/d"},
        {"http://h:81/a/b/c", "./d?x", "http://h:81/a/b/d?x"},
        {"http://h:81/a/b.htm?old=1", "?new=2", "http://h:81/a/b.htm?new=2"},
        {"http://h:81/a/", "http://other.example/x", "http://other.example:80/x"},
        {"http://h:81/a/", "//other.example:82/x", "http://other.example:82/x"},
        {"http://h:81/a/", "\\x\\y", "http://h:81/x/y"},
        {"http://h:81/a/", "https://h/", "https://h:443/"},
        {"http://h:81/a/b", "/c#frag", "http://h:81/c"},
        {"http://h:81/s?wd=kw&pn=0", "", "http://h:81/s?wd=kw&pn=0"},
        {"http://h:81/a/b.htm?q=1#x", "#top", "http://h:81/a/b.htm?q=1#x"},
    };
    for (const ResolveCase& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " + " + c.location);
        const Url next = resolveLocation(parseUrl(QString::fromLatin1(c.current)),
                                         QString::fromLatin1(c.location));
        EXPECT_EQ(toString(next), QLatin1String(c.resolved));
    }
}

} // namespace
} // namespace kelvane::net
