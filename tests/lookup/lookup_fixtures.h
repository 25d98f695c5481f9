#pragma once

#include "support/scripted_http_server.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// The recorded pages of the whois and IP services and the texts the memos show for them.
namespace kelvane::test::lookup {

inline QByteArray pageFile(const QString& name) {
    QFile file(QStringLiteral(KELVANE_FIXTURES_DIR "/lookup/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "missing fixture " + name.toUtf8();
}

inline Reply gbkPage(const QByteArray& body) {
    return httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, body);
}

inline Reply gbkPageFile(const QString& name) {
    return gbkPage(pageFile(name));
}

inline const QString kWhoisRecordShown =
    QStringLiteral("\r\nDomain Name: AB.EXAMPLE\r\nRegistrar: 示例注册服务有限公司\r\n"
                   "Name Server: NS1.AB.EXAMPLE\r\n<b>Status: ok</b>\r\n");
inline const QString kOwnIpShown =
    QStringLiteral("您的IP是：[203.0.113.7]\r\n来自：示例省示例市 电信");
inline const QString kIpAnswerShown =
    QStringLiteral("您查询的IP：203.0.113.9\r\n本站主数据：示例省电信\r\n"
                   "更新时间：2010-01-02 10：20：30");

// A loopback port with nothing listening on it any more.
inline quint16 closedPort() {
    ScriptedHttpServer server;
    return server.port();
}

} // namespace kelvane::test::lookup
