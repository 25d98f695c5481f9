#include "support/nginx_server.h"

#include "support/child_process.h"
#include "support/loopback_port.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <thread>

namespace kelvane::test {

namespace {

QByteArray config(const QString& prefix, quint16 port, const QString& certificate,
                  const QString& key, const QByteArray& serverLines) {
    const QByteArray p = prefix.toUtf8();
    // One process as the current user, so a document root in a private temp folder is readable.
    return "daemon off;\n"
           "master_process off;\n"
           "worker_processes 1;\n"
           "pid " +
           p +
           "/nginx.pid;\n"
           "error_log " +
           p +
           "/error.log warn;\n"
           "events { worker_connections 64; }\n"
           "http {\n"
           "  log_format kelvane '$connection $request_uri $status $body_bytes_sent';\n"
           "  access_log " +
           p +
           "/access.log kelvane;\n"
           "  default_type application/octet-stream;\n"
           "  types { text/html html htm; text/plain txt; }\n"
           "  sendfile on;\n"
           "  keepalive_timeout 30s;\n"
           "  keepalive_requests 10000;\n"
           "  client_body_temp_path " +
           p +
           "/tmp/body;\n"
           "  proxy_temp_path " +
           p +
           "/tmp/proxy;\n"
           "  fastcgi_temp_path " +
           p +
           "/tmp/fastcgi;\n"
           "  uwsgi_temp_path " +
           p +
           "/tmp/uwsgi;\n"
           "  scgi_temp_path " +
           p +
           "/tmp/scgi;\n"
           "  server {\n"
           "    listen 127.0.0.1:" +
           QByteArray::number(port) + (certificate.isEmpty() ? "" : " ssl") + ";\n" +
           (certificate.isEmpty() ? QByteArray()
                                  : "    ssl_certificate " + certificate.toUtf8() +
                                        ";\n    ssl_certificate_key " + key.toUtf8() + ";\n") +
           serverLines + "    root " + p +
           "/www;\n"
           "    location / { }\n"
           "  }\n"
           "}\n";
}

} // namespace

NginxServer::NginxServer() = default;

NginxServer::~NginxServer() {
    stopChildProcess(process_);
}

bool NginxServer::installed() {
    return QFileInfo(QString::fromLatin1(kBinary)).isExecutable();
}

bool NginxServer::start() {
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return false;
    }
    QDir root(dir_.path());
    root.mkpath(QStringLiteral("www"));
    root.mkpath(QStringLiteral("tmp"));
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!fixedPort_)
            port_ = freeLoopbackPort();
        QFile conf(root.filePath(QStringLiteral("nginx.conf")));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error_ = QStringLiteral("cannot write nginx.conf");
            return false;
        }
        conf.write(config(dir_.path(), port_, certificate_, key_, serverLines_));
        conf.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QString::fromLatin1(kBinary),
                       {QStringLiteral("-p"), dir_.path(), QStringLiteral("-e"),
                        root.filePath(QStringLiteral("error.log")), QStringLiteral("-c"),
                        conf.fileName()});
        if (!process_.waitForStarted(5000)) {
            error_ = QStringLiteral("nginx did not start: ") + process_.errorString();
            return false;
        }
        if (waitUntilListening(port_, 5000,
                               [this] { return process_.state() == QProcess::Running; }))
            return true;
        process_.kill();
        process_.waitForFinished(5000);
        error_ = QStringLiteral("nginx did not listen on port %1: ").arg(port_) +
                 QString::fromLocal8Bit(process_.readAll());
    }
    return false;
}

bool NginxServer::writeFile(const QString& relativePath, const QByteArray& bytes) {
    const QString path = QDir(docRoot()).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QList<QByteArray> NginxServer::accessLog() const {
    QFile file(QDir(dir_.path()).filePath(QStringLiteral("access.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QList<QByteArray> NginxServer::waitForAccessLog(qsizetype lines, int timeoutMs) const {
    QList<QByteArray> log = accessLog();
    for (int waited = 0; log.size() < lines && waited < timeoutMs; waited += 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        log = accessLog();
    }
    return log;
}

QString NginxServer::docRoot() const {
    return QDir(dir_.path()).filePath(QStringLiteral("www"));
}

QString NginxServer::hostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QString NginxServer::url(const QString& path) const {
    return (certificate_.isEmpty() ? QStringLiteral("http://") : QStringLiteral("https://")) +
           hostPort() + path;
}

void NginxServer::useTls(const QString& certificate, const QString& key) {
    certificate_ = certificate;
    key_ = key;
}

void NginxServer::addServerLines(const QByteArray& lines) {
    serverLines_ += lines;
}

void NginxServer::usePort(quint16 port) {
    port_ = port;
    fixedPort_ = true;
}

} // namespace kelvane::test
