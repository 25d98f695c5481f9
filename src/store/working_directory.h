#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kelvane::store {

// Start-up preparation of the working directory "zenvo". The directories are made beside
// the executable, while the site list is looked for and created relative to the current
// directory; when the two differ, so do the places.
//
// Returns the site list when the executable's "zenvo" exists and the current directory
// holds "zenvo\website.txt"; nothing when it prepared the directories and the empty list
// instead. Throws EFileError when the empty site list cannot be created (or the present
// one cannot be read), for the general error report.
std::optional<QStringList> PrepareWorkingDirectory(const QString& executableFolder);
// The same for the running program: its executable's folder, or the user's data folder
// when it runs installed (platform/install_layout.h).
std::optional<QStringList> PrepareWorkingDirectory();

} // namespace kelvane::store
