// The [network] proxy and no_proxy values.
#include "platform/proxy_config.h"

#include <gtest/gtest.h>

namespace kelvane::platform {
namespace {

TEST(ProxyConfigTest, ProxyUrls) {
    using Kind = ProxyConfig::Kind;
    struct Case {
        const char* text;
        bool valid;
        Kind kind;
        const char* host;
        quint16 port;
        bool hasLogin;
        const char* user;
        const char* password;
    };
    const Case cases[] = {
        {"", true, Kind::None, "", 0, false, "", ""},
        {"http://127.0.0.1:8888", true, Kind::Http, "127.0.0.1", 8888, false, "", ""},
        {"HTTP://proxy.lan:3128/", true, Kind::Http, "proxy.lan", 3128, false, "", ""},
        {"socks5://u:p@127.0.0.1:1080", true, Kind::Socks5, "127.0.0.1", 1080, true, "u", "p"},
        // Escapes are undone; the last "@" ends the login.
        {"http://a%3Ab:p@ss@h:1", true, Kind::Http, "h", 1, true, "a:b", "p@ss"},
        {"socks5://[::1]:1080", true, Kind::Socks5, "[::1]", 1080, false, "", ""},
        {"http://host", false, Kind::None, "", 0, false, "", ""},
        {"http://host:0", false, Kind::None, "", 0, false, "", ""},
        {"http://host:70000", false, Kind::None, "", 0, false, "", ""},
        {"https://host:443", false, Kind::None, "", 0, false, "", ""},
        {"socks4://host:1080", false, Kind::None, "", 0, false, "", ""},
        {"host:8080", false, Kind::None, "", 0, false, "", ""},
        {"http://host:80/path", false, Kind::None, "", 0, false, "", ""},
        {"socks5://[::1]", false, Kind::None, "", 0, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<ProxyConfig> proxy = parseProxyUrl(QString::fromUtf8(c.text));
        ASSERT_EQ(proxy.has_value(), c.valid);
        if (!proxy)
            continue;
        EXPECT_EQ(proxy->kind, c.kind);
        EXPECT_EQ(proxy->host, QString::fromUtf8(c.host));
        EXPECT_EQ(proxy->port, c.port);
        EXPECT_EQ(proxy->hasLogin, c.hasLogin);
        EXPECT_EQ(proxy->user, QString::fromUtf8(c.user));
        EXPECT_EQ(proxy->password, QString::fromUtf8(c.password));
    }
    // RFC 1929 has one byte for each length.
    EXPECT_FALSE(parseProxyUrl(QStringLiteral("socks5://") + QString(256, u'u') + u":p@h:1"_qs));
}

TEST(ProxyConfigTest, NoProxyList) {
    const QStringList list = parseNoProxy(u" Example.com, ,.intranet.test,127.0.0.1 "_qs);
    EXPECT_EQ(list, (QStringList{u"example.com"_qs, u".intranet.test"_qs, u"127.0.0.1"_qs}));
    struct Case {
        const char* host;
        bool direct;
    };
    const Case cases[] = {
        {"example.com", true},   {"WWW.EXAMPLE.COM", true}, {"badexample.com", false},
        {"intranet.test", true}, {"a.intranet.test", true}, {"127.0.0.1", true},
        {"127.0.0.10", false},   {"localhost", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(bypassesProxy(QString::fromUtf8(c.host), list), c.direct);
    }
    EXPECT_TRUE(bypassesProxy(u"anything"_qs, {u"*"_qs}));
    EXPECT_FALSE(bypassesProxy(u"anything"_qs, {}));
}

} // namespace
} // namespace kelvane::platform
