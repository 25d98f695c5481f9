#include "support/proxy_servers.h"

#include "support/child_process.h"
#include "support/loopback_port.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelvane::test {

namespace {

// Its packaged configuration allows CONNECT to ports 443 and 563 only; with no ConnectPort
// line every port is allowed, as the loopback servers need.
QByteArray tinyproxyConfig(const QString& dir, quint16 port, const QString& user,
                           const QString& password) {
    const QByteArray d = dir.toUtf8();
    QByteArray text = "Port " + QByteArray::number(port) +
                      "\n"
                      "Listen 127.0.0.1\n"
                      "Timeout 30\n"
                      "MaxClients 20\n"
                      "Allow 127.0.0.1\n"
                      "LogLevel Connect\n"
                      "LogFile \"" +
                      d + "/tinyproxy.log\"\nPidFile \"" + d + "/tinyproxy.pid\"\n";
    if (!user.isEmpty())
        text += "BasicAuth " + user.toUtf8() + ' ' + password.toUtf8() + '\n';
    return text;
}

} // namespace

const char* ProxyServer::binary(Kind kind) {
    return kind == Kind::Tinyproxy ? "/usr/bin/tinyproxy" : "/usr/bin/microsocks";
}

const char* ProxyServer::package(Kind kind) {
    return kind == Kind::Tinyproxy ? "tinyproxy" : "microsocks";
}

bool ProxyServer::installed(Kind kind) {
    return QFileInfo(QString::fromLatin1(binary(kind))).isExecutable();
}

ProxyServer::ProxyServer(Kind kind, QString user, QString password)
    : kind_(kind), user_(std::move(user)), password_(std::move(password)) {}

ProxyServer::~ProxyServer() {
    stopChildProcess(process_);
}

bool ProxyServer::start() {
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = freeLoopbackPort();
        QStringList arguments;
        if (kind_ == Kind::Tinyproxy) {
            QFile conf(QDir(dir_.path()).filePath(QStringLiteral("tinyproxy.conf")));
            if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                conf.write(tinyproxyConfig(dir_.path(), port_, user_, password_)) < 0) {
                error_ = QStringLiteral("cannot write tinyproxy.conf");
                return false;
            }
            arguments = {QStringLiteral("-d"), QStringLiteral("-c"), conf.fileName()};
        } else {
            arguments = {QStringLiteral("-i"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                         QString::number(port_)};
            if (!user_.isEmpty())
                arguments << QStringLiteral("-u") << user_ << QStringLiteral("-P") << password_;
        }
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QString::fromLatin1(binary(kind_)), arguments);
        if (!process_.waitForStarted(5000)) {
            error_ = QStringLiteral("%1 did not start: %2")
                         .arg(QLatin1String(package(kind_)), process_.errorString());
            return false;
        }
        if (waitUntilListening(port_, 5000,
                               [this] { return process_.state() == QProcess::Running; }))
            return true;
        process_.kill();
        process_.waitForFinished(5000);
        error_ = QStringLiteral("%1 did not listen on port %2: %3")
                     .arg(QLatin1String(package(kind_)))
                     .arg(port_)
                     .arg(QString::fromLocal8Bit(process_.readAll()));
    }
    return false;
}

QString ProxyServer::url(const QString& user, const QString& password) const {
    const QString login = user.isEmpty() ? QString() : user + u':' + password + u'@';
    return (kind_ == Kind::Tinyproxy ? QStringLiteral("http://") : QStringLiteral("socks5://")) +
           login + QStringLiteral("127.0.0.1:") + QString::number(port_);
}

QByteArray ProxyServer::log() {
    if (kind_ == Kind::Tinyproxy) {
        QFile file(QDir(dir_.path()).filePath(QStringLiteral("tinyproxy.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    process_.waitForReadyRead(200);
    output_ += process_.readAll();
    return output_;
}

} // namespace kelvane::test
