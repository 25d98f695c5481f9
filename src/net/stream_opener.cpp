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

std::unique_ptr<TcpSocket> connectToProxy(const ProxyConfig& proxy, const Deadline& deadline) {
    auto socket = std::make_unique<TcpSocket>();
    try {
        socket->connectTo(proxy.host, proxy.port, deadline);
    } catch (const ESocketError& error) {
        throw EProxyUnreachable(proxyName(proxy), QString(error.message()).replace(u'\n', u' '));
    }
    return socket;
}

// Reads a proxy's reply one byte at a time, so that nothing of what follows it is taken.
template <typename Parse>
proxy::ReplyStep readReply(TcpSocket& socket, const Deadline& deadline, Parse parse,
                           const std::function<void()>& onClose) {
    QByteArray bytes;
    for (;;) {
        const proxy::ReplyStep step = parse(QByteArrayView(bytes));
        if (step.status != proxy::ReplyStep::Incomplete)
            return step;
        const int waitMs = deadline.waitMs(-1);
        if (waitMs == 0 || !socket.waitReadable(waitMs))
            throw EReadTimeout();
        char byte;
        if (socket.readSome(&byte, 1) == 0)
            onClose();
        bytes.append(byte);
    }
}

void socksHandshake(TcpSocket& socket, const ProxyConfig& proxy, const Endpoint& endpoint,
                    const Deadline& deadline) {
    const QString name = proxyName(proxy);
    const auto closed = [&name] {
        throw ESocksError(name, QStringLiteral("the proxy closed the connection"));
    };
    socket.sendAll(proxy::socksGreeting(proxy.hasLogin), deadline);
    const proxy::ReplyStep method = readReply(socket, deadline, proxy::socksMethodReply, closed);
    if (method.status == proxy::ReplyStep::Malformed)
        throw ESocksError(name, QStringLiteral("not a SOCKS5 answer"));
    if (method.code == proxy::kSocksNoMethod)
        throw EProxyLoginRefused(name);
    if (method.code == proxy::kSocksLogin && proxy.hasLogin) {
        const QByteArray login = proxy::socksLoginRequest(proxy.user, proxy.password);
        socket.sendAll(login, deadline);
        const proxy::ReplyStep answer = readReply(socket, deadline, proxy::socksLoginReply,
                                                  [&name] { throw EProxyLoginRefused(name); });
        if (answer.status == proxy::ReplyStep::Malformed)
            throw ESocksError(name, QStringLiteral("not a SOCKS5 login answer"));
        if (answer.code != 0)
            throw EProxyLoginRefused(name);
    } else if (method.code != proxy::kSocksNoAuth) {
        throw ESocksError(name, QStringLiteral("the proxy chose a method not offered"));
    }
    const QByteArray request = proxy::socksConnectRequest(endpoint.host, endpoint.port);
    if (request.isEmpty())
        throw ESocksError(name, QStringLiteral("host name longer than 255 bytes"));
    socket.sendAll(request, deadline);
    const proxy::ReplyStep reply = readReply(socket, deadline, proxy::socksConnectReply, closed);
    if (reply.status == proxy::ReplyStep::Malformed)
        throw ESocksError(name, QStringLiteral("not a SOCKS5 connect answer"));
    if (reply.code == 0)
        return;
    const QString target = endpoint.host + u':' + QString::number(endpoint.port);
    if (proxy::socksCouldNotReach(reply.code))
        throw EProxyConnectFailed(name, target, proxy::socksReplyText(reply.code));
    throw ESocksError(name, proxy::socksReplyText(reply.code));
}

void httpConnect(TcpSocket& socket, const ProxyConfig& proxy, const QString& credentials,
                 const Endpoint& endpoint, const Deadline& deadline) {
    const QString name = proxyName(proxy);
    const QString target = endpoint.host + u':' + QString::number(endpoint.port);
    socket.sendAll(proxy::connectRequest(endpoint.host, endpoint.port, credentials), deadline);
    IdHTTPResponse head;
    const proxy::ReplyStep reply = readReply(
        socket, deadline,
        [&head](QByteArrayView bytes) { return proxy::connectReply(bytes, &head); },
        [&] {
            throw EProxyConnectFailed(name, target,
                                      QStringLiteral("the proxy closed the connection"));
        });
    if (reply.status == proxy::ReplyStep::Malformed)
        throw EProxyConnectFailed(name, target, QStringLiteral("no HTTP answer"));
    // A CONNECT is answered by the proxy alone; some proxies refuse a login with 401.
    if (reply.code == 407 || reply.code == 401)
        throw EProxyLoginRefused(name);
    if (reply.code < 200 || reply.code >= 300)
        throw EProxyConnectFailed(name, target, head.statusLine);
}

} // namespace

OpenedStream openStream(const Endpoint& endpoint, const ExchangeSettings& settings,
                        const Deadline& deadline) {
    OpenedStream opened;
    const ProxyConfig& proxy = settings.proxy;
    const bool direct = proxy.kind == ProxyConfig::Kind::None ||
                        platform::bypassesProxy(endpoint.host, settings.noProxy);
    std::unique_ptr<TcpSocket> socket;
    if (direct) {
        socket = std::make_unique<TcpSocket>();
        socket->connectTo(endpoint.host, endpoint.port, deadline);
    } else {
        socket = connectToProxy(proxy, deadline);
        const QString credentials =
            proxy.hasLogin ? proxy::basicCredentials(proxy.user, proxy.password) : QString();
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
