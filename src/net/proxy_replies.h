#pragma once

#include "net/idhttp.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What a client says to a proxy and reads back from it, as bytes: no sockets here.
namespace kelvane::net {

// A reply read so far: more bytes needed, a whole reply of `length` bytes, or bytes that no
// good reply begins with.
struct ReplyStep {
    enum Status { Incomplete, Complete, Malformed };
    Status status = Incomplete;
    qsizetype length = 0;
    // The method, status or reply code the reply carries.
    int code = -1;
};

// SOCKS5 (RFC 1928, login RFC 1929). Names are sent as names (address type 3), so the proxy
// resolves them; IP literals as addresses.
QByteArray socksGreeting(bool offerLogin);
ReplyStep socksMethodReply(QByteArrayView bytes);
constexpr int kSocksNoAuth = 0x00;
constexpr int kSocksLogin = 0x02;
constexpr int kSocksNoMethod = 0xFF;
// Empty when a part is longer than 255 bytes.
QByteArray socksLoginRequest(const QString& user, const QString& password);
ReplyStep socksLoginReply(QByteArrayView bytes);
// Empty when the host is longer than 255 bytes.
QByteArray socksConnectRequest(const QString& host, quint16 port);
ReplyStep socksConnectReply(QByteArrayView bytes);
// The text of a SOCKS5 reply code; codes 3 to 5 mean the proxy could not reach the server.
QString socksReplyText(int code);
bool socksCouldNotReach(int code);

// HTTP proxies.
// "Basic " and base64 of "user:password".
QString basicCredentials(const QString& user, const QString& password);
// "CONNECT host:port HTTP/1.1", Host, and Proxy-Authorization when credentials are given.
QByteArray connectRequest(const QString& host, quint16 port, const QString& credentials);
// The head of a CONNECT answer ends at its blank line; past maxBytes without one it is
// malformed. code is the status code (-1 when the status line has none).
constexpr qsizetype kMaxConnectHead = 16384;
ReplyStep connectReply(QByteArrayView bytes, IdHTTPResponse* head = nullptr);

} // namespace kelvane::net
