#include "support/nginx_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kelvane::test {

namespace {

// A port the kernel just handed out; nginx binds it a moment later.
quint16 freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    quint16 port = 0;
    socklen_t length = sizeof address;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool accepts(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

QByteArray config(const QString& prefix, quint16 port) {
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
           QByteArray::number(port) +
           ";\n"
           "    root " +
           p +
           "/www;\n"
           "    location / { }\n"
           "  }\n"
           "}\n";
}

} // namespace

NginxServer::NginxServer() = default;

NginxServer::~NginxServer() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
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
        port_ = freeLoopbackPort();
        QFile conf(root.filePath(QStringLiteral("nginx.conf")));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error_ = QStringLiteral("cannot write nginx.conf");
            return false;
        }
        conf.write(config(dir_.path(), port_));
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
        for (int wait = 0; wait < 100 && process_.state() == QProcess::Running; ++wait) {
            if (accepts(port_))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
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

QString NginxServer::docRoot() const {
    return QDir(dir_.path()).filePath(QStringLiteral("www"));
}

QString NginxServer::hostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QString NginxServer::url(const QString& path) const {
    return QStringLiteral("http://") + hostPort() + path;
}

} // namespace kelvane::test
