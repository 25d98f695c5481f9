#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kelvane::cli {

struct ListedSites {
    QStringList domains;
    // One line per entry the domain check refuses.
    QStringList refused;
};

// The site list's entries the query accepts, in list order; blank entries are passed over in
// silence. With onlyFailed, just those whose newest record the predicate calls failed.
ListedSites selectListedSites(const QStringList& entries,
                              const std::function<bool(const QString& domain)>& onlyFailed = {});

// Whether the newest history record of the site has an outcome field; false without one.
bool newestRecordFailed(const QString& domain);

} // namespace kelvane::cli
