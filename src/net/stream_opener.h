#pragma once

#include "platform/byte_stream.h"
#include "platform/deadline.h"
#include "platform/exchange_settings.h"

#include <QString>
#include <memory>

namespace kelvane::net {

// Where an exchange goes: host and port of the URL, and whether over TLS.
struct Endpoint {
    QString host;
    quint16 port = 0;
    bool tls = false;

    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

struct OpenedStream {
    std::unique_ptr<platform::ByteStream> stream;
    // Plain http through an HTTP proxy: requests name the whole URL, and carry credentials
    // (proxyCredentials, empty without a login).
    bool viaHttpProxy = false;
    QString proxyCredentials;
};

// Opens the way to the endpoint: directly, or through the proxy of the settings unless the host
// is in no_proxy; then TLS when the endpoint asks for it. The deadline bounds every step.
// Proxy failures raise EProxyError kinds; certificate and handshake failures ETlsError.
OpenedStream openStream(const Endpoint& endpoint, const platform::ExchangeSettings& settings,
                        const platform::Deadline& deadline);

} // namespace kelvane::net
