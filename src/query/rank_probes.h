#pragma once

#include "query/fetch_and_extract.h"

#include <QString>

namespace kelvane {

// The four rank look-ups of the upper panel; none reports an error: each falls back.
int PageRankLookup(const QString& domain, const EventPump& pump);      // 0 on failure, >= 0
int SogouRankLookup(const QString& domain, const EventPump& pump);     // 0 on failure
QString AlexaRankLookup(const QString& domain, const EventPump& pump); // "查询失败" on failure
QString ChinaRankLookup(const QString& domain, const EventPump& pump); // "0" on failure

} // namespace kelvane
