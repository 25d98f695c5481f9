#include "net/idhttp.h"
#include "support/nginx_server.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

TEST(IdHTTPNginxTest, LargeAndSmallFilesOverOneKeptAliveConnection) {
    test::NginxServer nginx;
    KELVANE_START_NGINX(nginx);
    const QByteArray large = randomBytes(24 * 1024 * 1024 + 12, 7);
    const QByteArray small = "<html><body>small page</body></html>\n";
    ASSERT_TRUE(nginx.writeFile(QStringLiteral("files/large.bin"), large));
    ASSERT_TRUE(nginx.writeFile(QStringLiteral("small.htm"), small));

    net::TIdHTTP http;
    http.ReadTimeout = 10000;
    QByteArray first;
    http.GetToStream(nginx.url(QStringLiteral("/files/large.bin")), first);
    EXPECT_EQ(http.Response().ResponseCode, 200);
    ASSERT_EQ(first.size(), large.size());
    EXPECT_TRUE(first == large);

    QByteArray second = "prefix:";
    http.GetToStream(nginx.url(QStringLiteral("/small.htm")), second);
    EXPECT_EQ(second, "prefix:" + small);
    EXPECT_EQ(http.Response().ContentType(), QStringLiteral("text/html"));

    const QList<QByteArray> log = nginx.accessLog();
    ASSERT_EQ(log.size(), 2);
    const QByteArray connection = log[0].split(' ').value(0);
    EXPECT_EQ(log[0], connection + " /files/large.bin 200 " + QByteArray::number(large.size()));
    EXPECT_EQ(log[1], connection + " /small.htm 200 " + QByteArray::number(small.size()));
}

TEST(IdHTTPNginxTest, MissingFileIsAProtocolError) {
    test::NginxServer nginx;
    KELVANE_START_NGINX(nginx);
    net::TIdHTTP http;
    http.ReadTimeout = 5000;
    QByteArray stream;
    try {
        http.GetToStream(nginx.url(QStringLiteral("/absent.htm")), stream);
        FAIL() << "no error";
    } catch (const net::EIdHTTPProtocolException& error) {
        EXPECT_EQ(error.message(), QStringLiteral("HTTP/1.1 404 Not Found"));
        EXPECT_EQ(error.ErrorCode(), 404);
        EXPECT_TRUE(error.ErrorMessage().contains(QStringLiteral("404 Not Found")));
    }
    EXPECT_TRUE(stream.isEmpty());
}

} // namespace
} // namespace kelvane
