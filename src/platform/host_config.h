#pragma once

#include <QString>
#include <QStringList>

// Every network host of the product is a configuration value with a built-in default. Section
// [hosts] of the settings file may override any of them, one key per service, value "host" or
// "host:port"; the older hosts file (KELVANE_HOSTS, otherwise kelvane-hosts.ini beside the
// executable) still works, and its keys win over the settings file's.
namespace kelvane::platform {

// "host" or "host:port" for a service key ("home", "baidu", "google", ...), without the
// "https://" a value may begin with. An unknown key yields an empty text.
QString hostFor(const QString& key);
// Scheme and authority to put a path after: "http://host[:port]", or "https://host[:port]" for
// a value written that way.
QString originFor(const QString& key);
// Whether some service's value is "https://" with this host and port (443 when none is written):
// a site the user chose to reach over TLS.
bool isTlsOrigin(const QString& host, quint16 port);
// Every service key, in the built-in table's order.
QStringList serviceKeys();
// Whether a [hosts] key names a service.
bool isServiceKey(const QString& key);

// The product's own site, as the domain box and the browser buttons show it.
QString homeSiteHost();

// Drops what was read, so the next call reads the configuration again (tests change it).
void reloadHosts();

} // namespace kelvane::platform
