#include "platform/install_layout.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

#ifndef KELVANE_DATA_FROM_BIN
#define KELVANE_DATA_FROM_BIN "../share/kelvane"
#endif

namespace kelvane::platform {

namespace {

// An XDG base folder: the variable when it holds an absolute path, otherwise the default
// under the home folder (relative values are to be ignored).
QString baseFolder(const char* variable, const QString& underHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QDir::homePath() + u'/' + underHome);
}

bool canWrite(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

} // namespace

bool isInstalledLayout(const QString& executableFolder) {
    return QFileInfo(QDir(executableFolder).filePath(QStringLiteral(KELVANE_DATA_FROM_BIN)))
        .isDir();
}

bool usesUserDataFolder(const QString& executableFolder) {
    return isInstalledLayout(executableFolder) || !canWrite(executableFolder);
}

QString userDataFolder() {
    return baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/kelvane");
}

QString userConfigFile() {
    return baseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) +
           QStringLiteral("/kelvane/kelvane.ini");
}

QString workingFolder() {
    const QString folder = executableDir();
    return usesUserDataFolder(folder) ? userDataFolder() : folder;
}

QString enterWorkingFolder() {
    if (!usesUserDataFolder(executableDir()))
        return {};
    const QString folder = userDataFolder();
    // The data is the user's alone: the last folder is made private, as the XDG rules ask.
    QDir().mkpath(QFileInfo(folder).path());
    if (!QFileInfo(folder).isDir() &&
        !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return QStringLiteral("cannot create the data folder %1").arg(folder);
    if (!QDir::setCurrent(folder))
        return QStringLiteral("cannot enter the data folder %1").arg(folder);
    return {};
}

} // namespace kelvane::platform
