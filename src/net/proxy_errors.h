#pragma once

#include "platform/errors.h"

namespace kelvane::net {

// A failure of the proxy between the client and the server; each kind has its own text.
class EProxyError : public platform::KelvaneError {
public:
    using platform::KelvaneError::KelvaneError;
};

// The proxy itself cannot be reached.
class EProxyUnreachable : public EProxyError {
public:
    EProxyUnreachable(const QString& proxy, const QString& reason)
        : EProxyError(QStringLiteral("Proxy %1 cannot be reached: %2").arg(proxy, reason)) {}
};

// The proxy wants a login, or refused the one given.
class EProxyLoginRefused : public EProxyError {
public:
    explicit EProxyLoginRefused(const QString& proxy)
        : EProxyError(QStringLiteral("Proxy %1 refused the login.").arg(proxy)) {}
};

// The proxy answered but could not open the way to the server.
class EProxyConnectFailed : public EProxyError {
public:
    EProxyConnectFailed(const QString& proxy, const QString& target, const QString& reason)
        : EProxyError(
              QStringLiteral("Proxy %1 could not connect to %2: %3").arg(proxy, target, reason)) {}
};

// A SOCKS proxy broke its protocol or answered with a SOCKS error of its own.
class ESocksError : public EProxyError {
public:
    ESocksError(const QString& proxy, const QString& reason)
        : EProxyError(QStringLiteral("SOCKS proxy %1: %2").arg(proxy, reason)) {}
};

} // namespace kelvane::net
