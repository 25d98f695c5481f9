#include "platform/paths.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kelvane::platform {

namespace {
QString& overriddenDir() {
    static QString folder;
    return folder;
}
} // namespace

ScopedExecutableDir::ScopedExecutableDir(QString folder)
    : ScopedOverride(overriddenDir(), std::move(folder)) {}

QString executableDir() {
    if (!overriddenDir().isEmpty())
        return overriddenDir();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QString nativeProductPath(const QString& productPath) {
    QString path = productPath;
    path.replace(u'\\', u'/');
    return path;
}

} // namespace kelvane::platform
