#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::test {

// Debian's nginx as a child process on a free loopback port, serving a temporary document
// root with keep-alive on, over plain HTTP or TLS. Stopped by the destructor.
class NginxServer {
public:
    static constexpr const char* kBinary = "/usr/sbin/nginx";

    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    static bool installed();
    // Starts the server; false with error() set when it does not come up within a few seconds.
    bool start();
    const QString& error() const { return error_; }

    // Before start: serve TLS with this certificate chain and key (PEM files).
    void useTls(const QString& certificate, const QString& key);
    // Before start: more lines inside the server block (locations, redirects).
    void addServerLines(const QByteArray& lines);
    // Before start: listen on this port instead of a free one the server picks.
    void usePort(quint16 port);

    // Writes a file (relative path) into the document root; true on success.
    bool writeFile(const QString& relativePath, const QByteArray& bytes);
    QString docRoot() const;
    // One line per request served so far: "<connection serial> <uri> <status> <body bytes>".
    QList<QByteArray> accessLog() const;
    // The log once it has at least `lines` lines, or as it is after timeoutMs: nginx writes a
    // line only after the response has gone out.
    QList<QByteArray> waitForAccessLog(qsizetype lines, int timeoutMs = 3000) const;
    quint16 port() const { return port_; }
    QString hostPort() const;
    // "http://" or, with TLS, "https://" and hostPort() and the path.
    QString url(const QString& path) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    bool fixedPort_ = false;
    QString certificate_;
    QString key_;
    QByteArray serverLines_;
    QString error_;
};

} // namespace kelvane::test

// Skips the running test when nginx is not installed and fails it when nginx will not start.
// Use inside a TEST body.
#define KELVANE_START_NGINX(server)                                                                \
    do {                                                                                           \
        if (!::kelvane::test::NginxServer::installed())                                            \
            GTEST_SKIP() << "nginx is not installed at " << ::kelvane::test::NginxServer::kBinary  \
                         << " (Debian package nginx-light)";                                       \
        ASSERT_TRUE((server).start()) << (server).error().toStdString();                           \
    } while (false)
