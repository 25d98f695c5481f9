#pragma once

#include <QString>

namespace kelvane::store {

// Product paths, relative to the current directory.
QString siteListPath();
QString historyFilePath(const QString& domain);

// A site list entry names a history file only when it cannot leave the data directory:
// no "/", backslash or ":" (a drive or stream name on the target desktop).
bool isHistoryFileName(const QString& domain);

} // namespace kelvane::store
