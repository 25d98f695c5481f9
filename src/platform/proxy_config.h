#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kelvane::platform {

// The proxy every exchange goes through, as [network] proxy names it.
struct ProxyConfig {
    enum class Kind { None, Http, Socks5 };
    Kind kind = Kind::None;
    QString host;
    quint16 port = 0;
    // A login when the URL carries one (percent-decoded); hasLogin tells "user:" from none.
    bool hasLogin = false;
    QString user;
    QString password;

    friend bool operator==(const ProxyConfig&, const ProxyConfig&) = default;
};

// "http://[user:pass@]host:port" or "socks5://[user:pass@]host:port"; an empty text is no proxy.
// Nothing when the text is neither.
std::optional<ProxyConfig> parseProxyUrl(const QString& text);

// The [network] no_proxy list: comma-separated host names, blanks and empty items dropped.
QStringList parseNoProxy(const QString& text);

// Whether a host is reached directly: it equals an entry or lies under it ("example.com" and
// ".example.com" both cover "www.example.com"); "*" covers every host. Case does not matter.
bool bypassesProxy(const QString& host, const QStringList& noProxy);

} // namespace kelvane::platform
