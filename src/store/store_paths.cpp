#include "store/store_paths.h"

#include "platform/paths.h"

namespace kelvane::store {

QString siteListPath() {
    return platform::nativeProductPath(QStringLiteral("zenvo\\website.txt"));
}

QString historyFilePath(const QString& domain) {
    return platform::nativeProductPath(QStringLiteral("zenvo\\data\\")) + domain +
           QStringLiteral(".txt");
}

bool isHistoryFileName(const QString& domain) {
    return !domain.contains(u'/') && !domain.contains(u'\\') && !domain.contains(u':');
}

} // namespace kelvane::store
