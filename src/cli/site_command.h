#pragma once

#include <QStringList>

namespace kelvane::cli {

// kelvane-cli site DOMAIN [--options LIST] [--json]
int runSiteCommand(const QStringList& arguments);

} // namespace kelvane::cli
