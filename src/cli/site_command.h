#pragma once

#include <QStringList>

namespace kelvane::cli {

// kelvane-cli site DOMAIN... | --all-listed [--retry-failed] [--options LIST] [--json | --csv]
// [--jobs N]
int runSiteCommand(const QStringList& arguments);

} // namespace kelvane::cli
