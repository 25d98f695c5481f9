#include "cli/listed_sites.h"

#include "platform/errors.h"
#include "query/domain_validation.h"
#include "store/history.h"
#include "store/history_outcomes.h"

namespace kelvane::cli {

ListedSites selectListedSites(const QStringList& entries,
                              const std::function<bool(const QString& domain)>& onlyFailed) {
    ListedSites sites;
    for (const QString& entry : entries) {
        if (entry.trimmed().isEmpty())
            continue;
        if (!query::IsValidDomain(entry)) {
            sites.refused
                << QStringLiteral("'%1' is not a domain name the query accepts").arg(entry);
            continue;
        }
        if (!onlyFailed || onlyFailed(entry))
            sites.domains << entry;
    }
    return sites;
}

bool newestRecordFailed(const QString& domain) {
    QList<QStringList> records;
    try {
        records = store::ReadHistory(domain);
    } catch (const platform::EFileError&) {
        // A site never queried has no failed record.
        return false;
    }
    return !records.isEmpty() && store::HasOutcomeField(records.first());
}

} // namespace kelvane::cli
