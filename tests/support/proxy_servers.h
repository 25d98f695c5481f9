#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kelvane::test {

// A Debian-packaged proxy as a child process on a free loopback port, with a login when one is
// given, stopped by the destructor. log() is what it wrote about the connections it served.
class ProxyServer {
public:
    enum class Kind { Tinyproxy, Microsocks };
    static const char* binary(Kind kind);
    static const char* package(Kind kind);
    static bool installed(Kind kind);

    ProxyServer(Kind kind, QString user = {}, QString password = {});
    ~ProxyServer();
    ProxyServer(const ProxyServer&) = delete;
    ProxyServer& operator=(const ProxyServer&) = delete;

    // False with error() set when it does not come up within a few seconds.
    bool start();
    const QString& error() const { return error_; }
    Kind kind() const { return kind_; }
    quint16 port() const { return port_; }
    // "http://[user:password@]127.0.0.1:port" or "socks5://...", as [network] proxy takes it.
    QString url(const QString& user, const QString& password) const;
    QByteArray log();

private:
    Kind kind_;
    QString user_;
    QString password_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QByteArray output_;
    QString error_;
};

} // namespace kelvane::test

// Skips the running test when the proxy is not installed, fails it when it will not start.
#define KELVANE_START_PROXY(server)                                                                \
    do {                                                                                           \
        if (!::kelvane::test::ProxyServer::installed((server).kind()))                             \
            GTEST_SKIP() << "not installed (Debian package "                                       \
                         << ::kelvane::test::ProxyServer::package((server).kind()) << ")";         \
        ASSERT_TRUE((server).start()) << (server).error().toStdString();                           \
    } while (false)
