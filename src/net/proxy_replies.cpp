#include "net/proxy_replies.h"

#include "net/http_response_head.h"

#include <arpa/inet.h>

namespace kelvane::net {

namespace {

constexpr char kSocksVersion = 0x05;

ReplyStep twoByteReply(QByteArrayView bytes, char version) {
    if (bytes.isEmpty())
        return {};
    if (bytes[0] != version)
        return {ReplyStep::Malformed, 0, -1};
    if (bytes.size() < 2)
        return {};
    return {ReplyStep::Complete, 2, static_cast<unsigned char>(bytes[1])};
}

void appendPort(QByteArray& out, quint16 port) {
    out.append(static_cast<char>(port >> 8));
    out.append(static_cast<char>(port & 0xFF));
}

} // namespace

QByteArray socksGreeting(bool offerLogin) {
    // Offering no-auth beside a login would let the proxy skip a login the user asked for.
    return offerLogin ? QByteArray("\x05\x01\x02", 3) : QByteArray("\x05\x01\x00", 3);
}

ReplyStep socksMethodReply(QByteArrayView bytes) {
    return twoByteReply(bytes, kSocksVersion);
}

QByteArray socksLoginRequest(const QString& user, const QString& password) {
    const QByteArray name = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    if (name.size() > 255 || secret.size() > 255)
        return {};
    QByteArray out;
    out.append('\x01');
    out.append(static_cast<char>(name.size()));
    out.append(name);
    out.append(static_cast<char>(secret.size()));
    out.append(secret);
    return out;
}

ReplyStep socksLoginReply(QByteArrayView bytes) {
    return twoByteReply(bytes, 0x01);
}

QByteArray socksConnectRequest(const QString& host, quint16 port) {
    QByteArray out("\x05\x01\x00", 3);
    QByteArray name = host.toUtf8();
    unsigned char address[16];
    if (name.startsWith('[') && name.endsWith(']') &&
        inet_pton(AF_INET6, name.mid(1, name.size() - 2).constData(), address) == 1) {
        out.append('\x04');
        out.append(reinterpret_cast<const char*>(address), 16);
    } else if (inet_pton(AF_INET, name.constData(), address) == 1) {
        out.append('\x01');
        out.append(reinterpret_cast<const char*>(address), 4);
    } else {
        if (name.isEmpty() || name.size() > 255)
            return {};
        out.append('\x03');
        out.append(static_cast<char>(name.size()));
        out.append(name);
    }
    appendPort(out, port);
    return out;
}

ReplyStep socksConnectReply(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return {};
    if (bytes[0] != kSocksVersion || (bytes.size() >= 3 && bytes[2] != 0))
        return {ReplyStep::Malformed, 0, -1};
    if (bytes.size() < 5)
        return {};
    const int code = static_cast<unsigned char>(bytes[1]);
    qsizetype address = 0;
    switch (bytes[3]) {
    case 0x01:
        address = 4;
        break;
    case 0x04:
        address = 16;
        break;
    case 0x03:
        address = 1 + static_cast<unsigned char>(bytes[4]);
        break;
    default:
        // A refusal need not name an address; its code is all that matters.
        return {code != 0 ? ReplyStep::Complete : ReplyStep::Malformed, 5, code};
    }
    const qsizetype length = 4 + address + 2;
    if (bytes.size() < length)
        return {ReplyStep::Incomplete, 0, code};
    return {ReplyStep::Complete, length, code};
}

QString socksReplyText(int code) {
    static const char* const texts[] = {
        "succeeded",
        "general SOCKS server failure",
        "connection not allowed by ruleset",
        "network unreachable",
        "host unreachable",
        "connection refused",
        "TTL expired",
        "command not supported",
        "address type not supported",
    };
    if (code >= 0 && code < static_cast<int>(std::size(texts)))
        return QString::fromLatin1(texts[code]);
    return QStringLiteral("reply code %1").arg(code);
}

bool socksCouldNotReach(int code) {
    return code >= 3 && code <= 5;
}

QString basicCredentials(const QString& user, const QString& password) {
    return QStringLiteral("Basic ") +
           QString::fromLatin1((user + u':' + password).toUtf8().toBase64());
}

QByteArray connectRequest(const QString& host, quint16 port, const QString& credentials) {
    const QByteArray authority = host.toUtf8() + ':' + QByteArray::number(port);
    QByteArray out = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (!credentials.isEmpty())
        out += "Proxy-Authorization: " + credentials.toLatin1() + "\r\n";
    return out + "\r\n";
}

ReplyStep connectReply(QByteArrayView bytes, IdHTTPResponse* head) {
    // The head ends at the first empty line; a CR before a line end is dropped.
    QList<QString> lines;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < bytes.size() && i < kMaxConnectHead; ++i) {
        if (bytes[i] != '\n')
            continue;
        qsizetype end = i;
        if (end > lineStart && bytes[end - 1] == '\r')
            --end;
        if (end == lineStart && !lines.isEmpty()) {
            const IdHTTPResponse parsed = parseResponseHead(lines);
            if (head)
                *head = parsed;
            return {ReplyStep::Complete, i + 1, parsed.ResponseCode};
        }
        if (end > lineStart || !lines.isEmpty())
            lines.append(headLineText(bytes.sliced(lineStart, end - lineStart)));
        lineStart = i + 1;
    }
    if (bytes.size() >= kMaxConnectHead)
        return {ReplyStep::Malformed, 0, -1};
    return {};
}

} // namespace kelvane::net
