// Fetches through real proxies on loopback (tinyproxy for HTTP, microsocks for SOCKS5) to nginx
// on loopback, by host name, so the proxies' logs show that name as the target.
#include "net/idhttp.h"
#include "net/proxy_errors.h"
#include "support/nginx_server.h"
#include "support/proxy_servers.h"
#include "support/test_certificates.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::ProxyServer;

const QByteArray kPage = "<html><body>through the proxy</body></html>\n";

struct Route {
    const char* name;
    ProxyServer::Kind kind;
    bool tls;
    // What the proxy's log says about the target.
    const char* logged;
};

class ProxyFetch : public testing::TestWithParam<Route> {};

TEST_P(ProxyFetch, DeliversThePageAndTheLogNamesTheHost) {
    const Route& route = GetParam();
    KELVANE_NEED_CERTIFICATES(certs);
    test::NginxServer nginx;
    if (route.tls)
        nginx.useTls(certs.good().certificate, certs.good().key);
    ASSERT_TRUE(nginx.writeFile(QStringLiteral("page.html"), kPage));
    KELVANE_START_NGINX(nginx);
    ProxyServer proxy(route.kind, QStringLiteral("alice"), QStringLiteral("wonder"));
    KELVANE_START_PROXY(proxy);

    net::TIdHTTP http;
    http.Exchange.caFile = certs.caFile();
    http.Exchange.followHttps = true;
    http.Exchange.proxy =
        *platform::parseProxyUrl(proxy.url(QStringLiteral("alice"), QStringLiteral("wonder")));
    const QString url = QStringLiteral("%1://localhost:%2/page.html")
                            .arg(route.tls ? u"https"_qs : u"http"_qs)
                            .arg(nginx.port());
    QByteArray stream;
    http.GetToStream(url, stream);
    EXPECT_EQ(stream, kPage);
    const QByteArray expected =
        QByteArray(route.logged).replace("PORT", QByteArray::number(nginx.port()));
    EXPECT_TRUE(proxy.log().contains(expected)) << proxy.log().toStdString();

    // A wrong login fails with its own text and never reaches the server.
    net::TIdHTTP refused;
    refused.Exchange = http.Exchange;
    refused.Exchange.proxy.password = QStringLiteral("wrong");
    QByteArray nothing;
    const qsizetype served = nginx.waitForAccessLog(1).size();
    if (route.kind == ProxyServer::Kind::Tinyproxy && !route.tls) {
        // Its refusal is a 401 page that cannot be told from one of the server's own.
        EXPECT_THROW(refused.GetToStream(url, nothing), net::EIdHTTPProtocolException);
    } else {
        try {
            refused.GetToStream(url, nothing);
            ADD_FAILURE() << "no error";
        } catch (const net::EProxyLoginRefused& error) {
            EXPECT_EQ(error.message(),
                      QStringLiteral("Proxy 127.0.0.1:%1 refused the login.").arg(proxy.port()));
        }
    }
    EXPECT_TRUE(nothing.isEmpty());
    EXPECT_EQ(nginx.waitForAccessLog(served + 1, 300).size(), served);
}

const Route kRoutes[] = {
    {"tinyproxy_http", ProxyServer::Kind::Tinyproxy, false, "GET http://localhost:PORT/page.html"},
    {"tinyproxy_connect", ProxyServer::Kind::Tinyproxy, true, "CONNECT localhost:PORT"},
    {"microsocks_http", ProxyServer::Kind::Microsocks, false, "connected to localhost:PORT"},
    {"microsocks_tls", ProxyServer::Kind::Microsocks, true, "connected to localhost:PORT"},
};
INSTANTIATE_TEST_SUITE_P(Proxies, ProxyFetch, testing::ValuesIn(kRoutes),
                         [](const auto& route) { return std::string(route.param.name); });

TEST(ProxyTest, NoProxyHostsGoDirectAndAMissingProxyHasItsText) {
    test::NginxServer nginx;
    ASSERT_TRUE(nginx.writeFile(QStringLiteral("page.html"), kPage));
    KELVANE_START_NGINX(nginx);
    net::TIdHTTP http;
    // Nothing listens there: only a direct connection can deliver.
    http.Exchange.proxy = *platform::parseProxyUrl(QStringLiteral("socks5://127.0.0.1:1"));
    http.Exchange.noProxy = {QStringLiteral("127.0.0.1")};
    QByteArray stream;
    http.GetToStream(nginx.url(QStringLiteral("/page.html")), stream);
    EXPECT_EQ(stream, kPage);

    net::TIdHTTP proxied;
    proxied.Exchange.proxy = http.Exchange.proxy;
    try {
        proxied.GetToStream(nginx.url(QStringLiteral("/page.html")), stream);
        ADD_FAILURE() << "no error";
    } catch (const net::EProxyUnreachable& error) {
        EXPECT_TRUE(
            error.message().startsWith(u"Proxy 127.0.0.1:1 cannot be reached: Socket Error"_qs))
            << error.message().toStdString();
    }
}

} // namespace
} // namespace kelvane
