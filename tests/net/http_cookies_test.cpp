#include "net/http_cookies.h"
#include "net/http_response_head.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

const QDateTime kNow(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());

TEST(HttpCookiesTest, DomainMatching) {
    const struct {
        const char* host;
        const char* domain;
        bool matches;
    } cases[] = {
        {"www.a.example", "www.a.example", true},
        {"WWW.A.example", "www.a.EXAMPLE", true},
        {"www.a.example", ".a.example", true},
        {"a.example", ".a.example", false},
        {"www.a.example", "a.example", false},
        {"evil-a.example", ".a.example", false},
        {"www.a.example", ".b.example", false},
        {"127.0.0.1", "127.0.0.1", true},
        {"10.0.0.1", ".0.0.1", false},
        {"127.0.0.1", ".0.0.1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " vs " + c.domain);
        EXPECT_EQ(net::domainMatches(QLatin1String(c.host), QLatin1String(c.domain)), c.matches);
    }
}

TEST(HttpCookiesTest, ParsesAttributes) {
    const auto cookie = net::parseSetCookie(
        QStringLiteral("SID=31d4d96e; Path=/docs; Domain=.a.example; Secure; HttpOnly; "
                       "Expires=Wed, 09 Jun 2021 10:18:14 GMT"),
        QStringLiteral("www.a.example"), QStringLiteral("/x/y"), kNow);
    ASSERT_TRUE(cookie);
    EXPECT_EQ(cookie->name, QStringLiteral("SID"));
    EXPECT_EQ(cookie->value, QStringLiteral("31d4d96e"));
    EXPECT_EQ(cookie->domain, QStringLiteral(".a.example"));
    EXPECT_EQ(cookie->path, QStringLiteral("/docs"));
    EXPECT_TRUE(cookie->secure);
    EXPECT_EQ(cookie->expires, QDateTime(QDate(2021, 6, 9), QTime(10, 18, 14), QTimeZone::utc()));

    const auto plain = net::parseSetCookie(QStringLiteral("k=v=w"), QStringLiteral("h.example"),
                                           QStringLiteral("/dir/page.htm"), kNow);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->value, QStringLiteral("v=w"));
    EXPECT_EQ(plain->domain, QStringLiteral("h.example"));
    EXPECT_EQ(plain->path, QStringLiteral("/dir"));
    EXPECT_FALSE(plain->expires.isValid());

    EXPECT_FALSE(
        net::parseSetCookie(QStringLiteral("=v"), QStringLiteral("h"), QStringLiteral("/"), kNow));
    const auto maxAge = net::parseSetCookie(QStringLiteral("a=1; Max-Age=60; Expires=junk"),
                                            QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_EQ(maxAge->expires, kNow.addSecs(60));
}

TEST(HttpCookiesTest, DateForms) {
    const QDateTime expected(QDate(2021, 6, 9), QTime(10, 18, 14), QTimeZone::utc());
    const char* forms[] = {
        "Wed, 09 Jun 2021 10:18:14 GMT",
        "Wednesday, 09-Jun-21 10:18:14 GMT",
        "Wed, 09-Jun-2021 10:18:14 GMT",
        "Wed Jun  9 10:18:14 2021",
    };
    for (const char* form : forms) {
        SCOPED_TRACE(form);
        EXPECT_EQ(net::parseCookieDate(QLatin1String(form)), expected);
    }
    EXPECT_FALSE(net::parseCookieDate(QStringLiteral("soon")).isValid());
    EXPECT_FALSE(net::parseCookieDate(QStringLiteral("Wed, 39 Jun 2021 10:18:14 GMT")).isValid());
}

TEST(HttpCookiesTest, StoreSendsMatchingCookiesOnly) {
    net::CookieStore store;
    const net::IdHTTPResponse head = net::parseResponseHead({
        QStringLiteral("HTTP/1.1 200 OK"),
        QStringLiteral("Set-Cookie: a=1; Path=/"),
        QStringLiteral("Set-Cookie: b=2; Path=/docs"),
        QStringLiteral("SET-COOKIE2: c=3; Version=1; Path=/"),
        QStringLiteral("Set-Cookie: s=secret; Secure; Path=/"),
        QStringLiteral("Set-Cookie: wide=1; Domain=.a.example; Path=/"),
        QStringLiteral("Set-Cookie: foreign=1; Domain=.b.example; Path=/"),
        QStringLiteral("Set-Cookie: old=1; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT"),
        QStringLiteral("Set-Cookie: brief=1; Path=/; Max-Age=10"),
    });
    store.storeFrom(head, QStringLiteral("www.a.example"), QStringLiteral("/docs/x"), kNow);
    EXPECT_EQ(store.cookies().size(), 6);
    EXPECT_EQ(store.cookieHeader(QStringLiteral("www.a.example"), QStringLiteral("/docs/y"), kNow),
              QStringLiteral("a=1; b=2; c=3; wide=1; brief=1"));
    EXPECT_EQ(store.cookieHeader(QStringLiteral("www.a.example"), QStringLiteral("/"), kNow),
              QStringLiteral("a=1; c=3; wide=1; brief=1"));
    EXPECT_EQ(store.cookieHeader(QStringLiteral("img.a.example"), QStringLiteral("/"), kNow),
              QStringLiteral("wide=1"));
    EXPECT_EQ(
        store.cookieHeader(QStringLiteral("www.a.example"), QStringLiteral("/"), kNow.addSecs(11)),
        QStringLiteral("a=1; c=3; wide=1"));
    EXPECT_EQ(store.cookies().size(), 5) << "expired cookies are removed";

    // A newer cookie of the same name, domain and path replaces; an expired one deletes.
    store.storeFrom(net::parseResponseHead({QStringLiteral("HTTP/1.1 200 OK"),
                                            QStringLiteral("Set-Cookie: a=9; Path=/"),
                                            QStringLiteral("Set-Cookie: c=; Max-Age=0; Path=/")}),
                    QStringLiteral("www.a.example"), QStringLiteral("/"), kNow);
    EXPECT_EQ(store.cookieHeader(QStringLiteral("www.a.example"), QStringLiteral("/"), kNow),
              QStringLiteral("wide=1; a=9"));
}

TEST(HttpCookiesTest, StoreIsBounded) {
    net::CookieStore store;
    for (int i = 0; i < net::CookieStore::kMaxCookies + 50; ++i) {
        net::HttpCookie c;
        c.name = QStringLiteral("n%1").arg(i);
        c.domain = QStringLiteral("h");
        c.path = QStringLiteral("/");
        store.store(c, kNow);
    }
    EXPECT_EQ(store.cookies().size(), net::CookieStore::kMaxCookies);
    EXPECT_EQ(store.cookies().first().name, QStringLiteral("n50"));
}

// A flood of large cookies (what a hostile server sets across redirect hops) stays within the
// byte bound, the newest kept; one Cookie header leaves out what would pass its own bound.
TEST(HttpCookiesTest, StoreAndHeaderAreBoundedInBytes) {
    net::CookieStore store;
    const QString value(4000, u'v');
    for (int i = 0; i < 600; ++i) {
        net::HttpCookie c;
        c.name = QStringLiteral("n%1").arg(i);
        c.value = value;
        c.domain = QStringLiteral("h");
        c.path = QStringLiteral("/");
        store.store(c, kNow);
        ASSERT_LE(store.bytes(), net::CookieStore::kMaxStoreBytes) << i;
    }
    EXPECT_EQ(store.cookies().last().name, QStringLiteral("n599"));
    EXPECT_GT(store.bytes(), net::CookieStore::kMaxStoreBytes - 5000);
    qsizetype counted = 0;
    for (const net::HttpCookie& c : store.cookies())
        counted += c.name.size() + c.value.size() + c.domain.size() + c.path.size();
    EXPECT_EQ(store.bytes(), counted);

    const QString header = store.cookieHeader(QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_LE(header.size(), net::CookieStore::kMaxHeaderBytes);
    EXPECT_GT(header.size(), net::CookieStore::kMaxHeaderBytes - 4100);
    EXPECT_TRUE(header.startsWith(store.cookies().first().name + u'='));

    // Replacing and expiring cookies give their bytes back.
    net::HttpCookie gone = store.cookies().first();
    gone.expires = kNow.addSecs(-1);
    store.store(gone, kNow);
    counted = 0;
    for (const net::HttpCookie& c : store.cookies())
        counted += c.name.size() + c.value.size() + c.domain.size() + c.path.size();
    EXPECT_EQ(store.bytes(), counted);

    net::HttpCookie huge;
    huge.name = QStringLiteral("huge");
    huge.value = QString(net::CookieStore::kMaxStoreBytes, u'h');
    huge.domain = QStringLiteral("h");
    store.store(huge, kNow);
    EXPECT_NE(store.cookies().last().name, QStringLiteral("huge")) << "larger than the store";
}

} // namespace
} // namespace kelvane
