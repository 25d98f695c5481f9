#pragma once

#include <QString>

// Every network host of the product is a configuration value with a built-in default. Section
// [hosts] of the settings file may override any of them, one key per service, value "host" or
// "host:port"; the older hosts file (KELVANE_HOSTS, otherwise kelvane-hosts.ini beside the
// executable) still works, and its keys win over the settings file's.
namespace kelvane::hosts {

// "host" or "host:port" for a service key ("home", "baidu", "google", ...). An unknown key
// yields an empty text.
QString hostFor(const QString& key);
// Whether a [hosts] key names a service.
bool isServiceKey(const QString& key);

// The product's own site, as the domain box and the browser buttons show it.
QString homeSiteHost();

// Drops what was read, so the next call reads the configuration again (tests change it).
void reload();

} // namespace kelvane::hosts
