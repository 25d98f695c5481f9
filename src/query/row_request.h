#pragma once

#include "query/engine_row.h"
#include "query/fetch_and_extract.h"

#include <QString>

// The fetch a row of the engine definitions describes, for one domain.
namespace kelvane::query {

// The origin of the row's host, the path with the domain in its placeholder.
QString rowUrl(const EngineRow& row, const QString& domain);
ProbeRequestOptions rowOptions(const EngineRow& row);
// Every fetch key of the row: address, mode, client options, patterns in order, tokens,
// fallback, no-results sign, block signs, pump. Where the page is kept is the caller's.
FetchRequest rowRequest(const EngineRow& row, const QString& domain);

} // namespace kelvane::query
