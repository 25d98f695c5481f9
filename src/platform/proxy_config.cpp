#include "platform/proxy_config.h"

#include <QUrl>

namespace kelvane::platform {

std::optional<ProxyConfig> parseProxyUrl(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return ProxyConfig{};
    ProxyConfig proxy;
    const qsizetype schemeEnd = trimmed.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return std::nullopt;
    const QString scheme = trimmed.left(schemeEnd).toLower();
    if (scheme == u"http")
        proxy.kind = ProxyConfig::Kind::Http;
    else if (scheme == u"socks5" || scheme == u"socks5h")
        proxy.kind = ProxyConfig::Kind::Socks5;
    else
        return std::nullopt;
    QString authority = trimmed.mid(schemeEnd + 3);
    if (authority.endsWith(u'/'))
        authority.chop(1);
    if (authority.contains(u'/') || authority.contains(u'?') || authority.contains(u'#'))
        return std::nullopt;
    // The last "@" ends the login, so a password may hold an unescaped "@".
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString login = authority.left(at);
        const qsizetype colon = login.indexOf(u':');
        proxy.hasLogin = true;
        proxy.user = QUrl::fromPercentEncoding(login.left(colon).toUtf8());
        if (colon >= 0)
            proxy.password = QUrl::fromPercentEncoding(login.mid(colon + 1).toUtf8());
        authority = authority.mid(at + 1);
    }
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon <= 0 || authority.endsWith(u']'))
        return std::nullopt;
    bool ok = false;
    const uint port = authority.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    proxy.host = authority.left(colon);
    proxy.port = static_cast<quint16>(port);
    // RFC 1929 carries each of the user name and password in at most 255 bytes.
    if (proxy.user.toUtf8().size() > 255 || proxy.password.toUtf8().size() > 255)
        return std::nullopt;
    return proxy;
}

QStringList parseNoProxy(const QString& text) {
    QStringList hosts;
    for (const QString& item : text.split(u',')) {
        const QString host = item.trimmed().toLower();
        if (!host.isEmpty())
            hosts.append(host);
    }
    return hosts;
}

bool bypassesProxy(const QString& host, const QStringList& noProxy) {
    const QString wanted = host.toLower();
    for (const QString& entry : noProxy) {
        if (entry == u"*")
            return true;
        const QString domain = entry.startsWith(u'.') ? entry.mid(1) : entry;
        if (wanted == domain || wanted.endsWith(u'.' + domain))
            return true;
    }
    return false;
}

} // namespace kelvane::platform
