#include "net/stream_opener.h"

#include "net/proxy_errors.h"
#include "net/proxy_replies.h"
#include "platform/tcp_socket.h"
#include "platform/tls_stream.h"

#include <functional>

namespace kelvane::net {

namespace {

using platform::ProxyConfig;

QString proxyName(const ProxyConfig& proxy) {
    return proxy.host + u':' + QString::number(proxy.port);
}

std::unique_ptr<platform::TcpSocket> connectToProxy(const ProxyConfig& proxy,
                                                    const platform::Deadline& deadline) {
    auto socket = std::make_unique<platform::TcpSocket>();
    try {
        socket->connectTo(proxy.host, proxy.port, deadline);
    } catch (const platform::ESocketError& error) {
        throw EProxyUnreachable(proxyName(proxy), QString(error.message()).replace(u'\n', u' '));
    }
    return socket;
}

// Reads a proxy's reply one byte at a time, so that nothing of what follows it is taken.
template <typename Parse>
ReplyStep readReply(platform::TcpSocket& socket, const platform::Deadline& deadline, Parse parse,
                    const std::function<void()>& onClose) {
    QByteArray bytes;
    for (;;) {
        const ReplyStep step = parse(QByteArrayView(bytes));
        if (step.status != ReplyStep::Incomplete)
            return step;
        const int waitMs = deadline.waitMs(-1);
        if (waitMs == 0 || !socket.waitReadable(waitMs))
            throw platform::EReadTimeout();
        char byte;
        if (socket.readSome(&byte, 1) == 0)
            onClose();
        bytes.append(byte);
    }
}

void socksHandshake(platform::TcpSocket& socket, const ProxyConfig& proxy, const Endpoint& endpoint,
                    const platform::Deadline& deadline) {
    const QString name = proxyName(proxy);
    const auto closed = [&name] {
        throw ESocksError(name, QStringLiteral("the proxy closed the connection"));
    };
    socket.sendAll(socksGreeting(proxy.hasLogin), deadline);
    const ReplyStep method = readReply(socket, deadline, socksMethodReply, closed);
    if (method.status == ReplyStep::Malformed)
        throw ESocksError(name, QStringLiteral("not a SOCKS5 answer"));
    if (method.code == kSocksNoMethod)
        throw EProxyLoginRefused(name);
    if (method.code == kSocksLogin && proxy.hasLogin) {
        const QByteArray login = socksLoginRequest(proxy.user, proxy.password);
        socket.sendAll(login, deadline);
        const ReplyStep answer = readReply(socket, deadline, socksLoginReply,
                                           [&name] { throw EProxyLoginRefused(name); });
        if (answer.status == ReplyStep::Malformed)
            throw ESocksError(name, QStringLiteral("not a SOCKS5 login answer"));
        if (answer.code != 0)
            throw EProxyLoginRefused(name);
    } else if (method.code != kSocksNoAuth) {
        throw ESocksError(name, QStringLiteral("the proxy chose a method not offered"));
    }
    const QByteArray request = socksConnectRequest(endpoint.host, endpoint.port);
    if (request.isEmpty())
        throw ESocksError(name, QStringLiteral("host name longer than 255 bytes"));
    socket.sendAll(request, deadline);
    const ReplyStep reply = readReply(socket, deadline, socksConnectReply, closed);
    if (reply.status == ReplyStep::Malformed)
        throw ESocksError(name, QStringLiteral("not a SOCKS5 connect answer"));
    if (reply.code == 0)
        return;
    const QString target = endpoint.host + u':' + QString::number(endpoint.port);
    if (socksCouldNotReach(reply.code))
        throw EProxyConnectFailed(name, target, socksReplyText(reply.code));
    throw ESocksError(name, socksReplyText(reply.code));
}

void httpConnect(platform::TcpSocket& socket, const ProxyConfig& proxy, const QString& credentials,
                 const Endpoint& endpoint, const platform::Deadline& deadline) {
    const QString name = proxyName(proxy);
    const QString target = endpoint.host + u':' + QString::number(endpoint.port);
    socket.sendAll(connectRequest(endpoint.host, endpoint.port, credentials), deadline);
    IdHTTPResponse head;
    const ReplyStep reply = readReply(
        socket, deadline, [&head](QByteArrayView bytes) { return connectReply(bytes, &head); },
        [&] {
            throw EProxyConnectFailed(name, target,
                                      QStringLiteral("the proxy closed the connection"));
        });
    if (reply.status == ReplyStep::Malformed)
        throw EProxyConnectFailed(name, target, QStringLiteral("no HTTP answer"));
    // A CONNECT is answered by the proxy alone; some proxies refuse a login with 401.
    if (reply.code == 407 || reply.code == 401)
        throw EProxyLoginRefused(name);
    if (reply.code < 200 || reply.code >= 300)
        throw EProxyConnectFailed(name, target, head.statusLine);
}

} // namespace

OpenedStream openStream(const Endpoint& endpoint, const platform::ExchangeSettings& settings,
                        const platform::Deadline& deadline) {
    OpenedStream opened;
    const ProxyConfig& proxy = settings.proxy;
    const bool direct = proxy.kind == ProxyConfig::Kind::None ||
                        platform::bypassesProxy(endpoint.host, settings.noProxy);
    std::unique_ptr<platform::TcpSocket> socket;
    if (direct) {
        socket = std::make_unique<platform::TcpSocket>();
        socket->connectTo(endpoint.host, endpoint.port, deadline);
    } else {
        socket = connectToProxy(proxy, deadline);
        const QString credentials =
            proxy.hasLogin ? basicCredentials(proxy.user, proxy.password) : QString();
        if (proxy.kind == ProxyConfig::Kind::Socks5) {
            socksHandshake(*socket, proxy, endpoint, deadline);
        } else if (endpoint.tls) {
            httpConnect(*socket, proxy, credentials, endpoint, deadline);
        } else {
            opened.viaHttpProxy = true;
            opened.proxyCredentials = credentials;
        }
    }
    if (endpoint.tls)
        opened.stream = platform::TlsStream::connect(std::move(socket), endpoint.host,
                                                     {settings.caFile}, deadline);
    else
        opened.stream = std::move(socket);
    return opened;
}

} // namespace kelvane::net
