#pragma once

#include "query/fetch_and_extract.h"
#include "query/outcome.h"

#include <QString>

namespace kelvane::query {

// The four rank look-ups of the upper panel; none reports an error: each falls back, and the
// outcome says why.
Probed<int> PageRankProbe(const QString& domain, const EventPump& pump);      // 0, >= 0
Probed<int> SogouRankProbe(const QString& domain, const EventPump& pump);     // 0
Probed<QString> AlexaRankProbe(const QString& domain, const EventPump& pump); // "查询失败"
Probed<QString> ChinaRankProbe(const QString& domain, const EventPump& pump); // "0"

// The values alone.
int PageRankLookup(const QString& domain, const EventPump& pump);
int SogouRankLookup(const QString& domain, const EventPump& pump);
QString AlexaRankLookup(const QString& domain, const EventPump& pump);
QString ChinaRankLookup(const QString& domain, const EventPump& pump);

} // namespace kelvane::query
