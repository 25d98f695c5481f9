#pragma once

#include <QStringList>

namespace kelvane::cli {

// kelvane-cli whois NAME
int runWhoisCommand(const QStringList& arguments);
// kelvane-cli ip [ADDRESS]
int runIpCommand(const QStringList& arguments);

} // namespace kelvane::cli
