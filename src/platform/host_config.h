#pragma once

#include <QString>

// Every network host of the product is a configuration value with a built-in default. The INI
// file named by KELVANE_HOSTS, otherwise kelvane-hosts.ini beside the executable, may override
// any of them: section [hosts], one key per service, value "host" or "host:port".
namespace kelvane::hosts {

// "host" or "host:port" for a service key ("home", "baidu", "google", ...). An unknown key
// yields an empty text.
QString hostFor(const QString& key);
// The product's own site, as the domain box and the browser buttons show it.
QString homeSiteHost();

// Drops what was read, so the next call reads the configuration again (tests change it).
void reload();

} // namespace kelvane::hosts
