#pragma once

#include "platform/proxy_config.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace kelvane::platform {

// Bounds and transport of one HTTP exchange, as the settings file's [network] section gives
// them.
struct ExchangeSettings {
    static constexpr qint64 kDefaultDeadlineMs = 20000;
    static constexpr qint64 kDefaultMaxBodyBytes = 32 * 1024 * 1024;

    // The whole exchange, every redirect hop and wait included; 0: none.
    qint64 deadlineMs = kDefaultDeadlineMs;
    // Largest final body delivered; 0: no bound.
    qint64 maxBodyBytes = kDefaultMaxBodyBytes;
    // Whether redirects to https:// are followed (over TLS); off, they fail as ever.
    bool followHttps = false;
    // Trusted beside the system's CA store; empty: the system's store alone.
    QString caFile;
    platform::ProxyConfig proxy;
    // Hosts reached without the proxy.
    QStringList noProxy;

    friend bool operator==(const ExchangeSettings&, const ExchangeSettings&) = default;
};

} // namespace kelvane::platform
