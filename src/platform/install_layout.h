#pragma once

#include <QString>

// Where the program keeps its data. Run from a build or unpacked folder, it works as it always
// has: the "zenvo" folder beside the executable. Installed (for example in /usr/bin, which root
// can write, so writability alone does not tell) or in a folder it cannot write, it works in
// the user's data folder instead, with the same layout inside.
namespace kelvane::platform {

// True when the folder sits in an installed layout: "<prefix>/bin" beside "<prefix>/share/kelvane".
bool isInstalledLayout(const QString& executableFolder);
// True when the program started from this folder keeps its data in the user's data folder.
bool usesUserDataFolder(const QString& executableFolder);

// $XDG_DATA_HOME/kelvane, by default ~/.local/share/kelvane.
QString userDataFolder();
// $XDG_CONFIG_HOME/kelvane/kelvane.ini, by default ~/.config/kelvane/kelvane.ini.
QString userConfigFile();

// The folder that holds "zenvo": the executable's folder, or the user's data folder.
QString workingFolder();

// Start-up: where the user's data folder is the working folder, creates it and makes it the
// current directory. Returns an empty text, or why that failed (the program then goes on
// where it was started, and the working directory's own reports follow).
QString enterWorkingFolder();

} // namespace kelvane::platform
