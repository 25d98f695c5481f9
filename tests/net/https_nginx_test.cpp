// HTTPS against nginx on loopback with certificates the test makes: pages byte for byte, each
// certificate fault with its own text and no page text, https redirects, Secure cookies.
#include "net/exchange_settings.h"
#include "net/idhttp.h"
#include "platform/tls_stream.h"
#include "support/hosts_override.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using platform::ETlsError;

const QByteArray kPage = "<html><title>tls</title><body>\xd6\xd0 page over TLS</body></html>\n";

// Pages, a redirect that sets a Secure cookie, and an echo of the cookies a request carries.
void serve(test::NginxServer& nginx) {
    nginx.addServerLines("    location = /set-cookie {\n"
                         "      add_header Set-Cookie \"token=abc; Path=/; Secure\";\n"
                         "      add_header Set-Cookie \"plain=1; Path=/\";\n"
                         "      return 302 /cookies;\n"
                         "    }\n"
                         "    location = /cookies { return 200 \"[$http_cookie]\"; }\n");
    ASSERT_TRUE(nginx.writeFile(QStringLiteral("page.html"), kPage));
}

platform::ExchangeSettings trusting(const test::TestCertificates& certs, bool followHttps) {
    platform::ExchangeSettings settings;
    settings.caFile = certs.caFile();
    settings.followHttps = followHttps;
    return settings;
}

TEST(HttpsNginxTest, GoodCertificateDeliversThePageAndKeepsTheConnection) {
    KELVANE_NEED_CERTIFICATES(certs);
    test::NginxServer nginx;
    nginx.useTls(certs.good().certificate, certs.good().key);
    serve(nginx);
    KELVANE_START_NGINX(nginx);

    net::TIdHTTP http;
    http.Exchange = trusting(certs, true);
    QByteArray stream;
    http.GetToStream(nginx.url(QStringLiteral("/page.html")), stream);
    EXPECT_EQ(stream, kPage);
    http.GetToStream(nginx.url(QStringLiteral("/page.html")), stream);
    // A host name is checked as well as an address.
    http.GetToStream(QStringLiteral("https://localhost:%1/page.html").arg(nginx.port()), stream);
    EXPECT_EQ(stream, kPage + kPage + kPage);
    const QList<QByteArray> log = nginx.waitForAccessLog(3);
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0].split(' ')[0], log[1].split(' ')[0]) << "second fetch reconnected";
}

TEST(HttpsNginxTest, CertificateFaultsFailWithTheirOwnText) {
    KELVANE_NEED_CERTIFICATES(certs);
    struct Case {
        const char* name;
        test::TestCertificates::Pair served;
        bool trustTestCa;
        ETlsError::Kind kind;
        const char* text;
    };
    const Case cases[] = {
        {"wrong name", certs.wrongName(), true, ETlsError::Kind::NameMismatch,
         "is issued for another name"},
        {"unknown issuer", certs.unknownIssuer(), true, ETlsError::Kind::UnknownIssuer,
         "is not issued by a trusted authority"},
        {"test CA not trusted", certs.good(), false, ETlsError::Kind::UnknownIssuer,
         "is not issued by a trusted authority"},
        {"expired", certs.expired(), true, ETlsError::Kind::Expired, "has expired"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::NginxServer nginx;
        nginx.useTls(c.served.certificate, c.served.key);
        serve(nginx);
        KELVANE_START_NGINX(nginx);
        net::TIdHTTP http;
        http.Exchange.followHttps = true;
        if (c.trustTestCa)
            http.Exchange.caFile = certs.caFile();
        QByteArray stream;
        try {
            http.GetToStream(nginx.url(QStringLiteral("/page.html")), stream);
            ADD_FAILURE() << "no error";
        } catch (const ETlsError& error) {
            EXPECT_EQ(error.kind(), c.kind);
            EXPECT_TRUE(error.message().contains(QLatin1String(c.text)))
                << error.message().toStdString();
        }
        EXPECT_TRUE(stream.isEmpty());
        EXPECT_TRUE(nginx.accessLog().isEmpty()) << "a request crossed an unchecked connection";
    }
}

TEST(HttpsNginxTest, HttpsRedirectFollowedOnlyWhenSwitchedOn) {
    KELVANE_NEED_CERTIFICATES(certs);
    test::NginxServer secure;
    secure.useTls(certs.good().certificate, certs.good().key);
    serve(secure);
    KELVANE_START_NGINX(secure);
    test::NginxServer plain;
    plain.addServerLines("    location = /to-https { return 302 " +
                         secure.url(QStringLiteral("/page.html")).toUtf8() + "; }\n");
    KELVANE_START_NGINX(plain);

    net::TIdHTTP off;
    off.Exchange = trusting(certs, false);
    off.HandleRedirects = true;
    QByteArray stream;
    try {
        off.GetToStream(plain.url(QStringLiteral("/to-https")), stream);
        ADD_FAILURE() << "no error";
    } catch (const platform::KelvaneError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("IOHandler value is not valid"));
    }
    EXPECT_TRUE(stream.isEmpty());
    EXPECT_TRUE(secure.accessLog().isEmpty());

    net::TIdHTTP on;
    on.Exchange = trusting(certs, true);
    on.HandleRedirects = true;
    on.GetToStream(plain.url(QStringLiteral("/to-https")), stream);
    EXPECT_EQ(stream, kPage);
}

TEST(HttpsNginxTest, HttpsHostValueIsReachedWithoutTheSwitch) {
    KELVANE_NEED_CERTIFICATES(certs);
    test::NginxServer nginx;
    nginx.useTls(certs.good().certificate, certs.good().key);
    serve(nginx);
    KELVANE_START_NGINX(nginx);
    test::HostsOverride hosts(
        {{QStringLiteral("baidu"), QStringLiteral("https://") + nginx.hostPort()}});
    net::TIdHTTP http;
    http.Exchange = trusting(certs, false);
    QByteArray stream;
    http.GetToStream(nginx.url(QStringLiteral("/page.html")), stream);
    EXPECT_EQ(stream, kPage);
}

TEST(HttpsNginxTest, SecureCookieTravelsOverTlsOnly) {
    KELVANE_NEED_CERTIFICATES(certs);
    test::NginxServer secure;
    secure.useTls(certs.good().certificate, certs.good().key);
    serve(secure);
    KELVANE_START_NGINX(secure);
    test::NginxServer plain;
    serve(plain);
    KELVANE_START_NGINX(plain);
    struct Case {
        test::NginxServer* server;
        QByteArray cookies;
    };
    for (const Case& c : {Case{&secure, "[token=abc; plain=1]"}, Case{&plain, "[plain=1]"}}) {
        net::TIdHTTP http;
        http.Exchange = trusting(certs, true);
        http.HandleRedirects = true;
        EXPECT_EQ(http.GetToString(c.server->url(QStringLiteral("/set-cookie"))).toLatin1(),
                  c.cookies);
    }
}

} // namespace
} // namespace kelvane
