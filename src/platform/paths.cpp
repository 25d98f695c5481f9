#include "platform/paths.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kelvane {

QString executableDir() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QString nativeProductPath(const QString& productPath) {
    QString path = productPath;
    path.replace(u'\\', u'/');
    return path;
}

} // namespace kelvane
