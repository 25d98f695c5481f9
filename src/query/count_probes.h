#pragma once

#include "query/engine_id.h"
#include "query/fetch_and_extract.h"

#include <QString>
#include <array>

namespace kelvane::query {

struct SiteQueryContext;
class EngineDefinitions;
struct EngineRow;

enum class CountMetric { IndexedPages, Backlinks };
enum class SharedPage { None, Baidu, Google };

// A count probe: its engine row, which says how the request looks, and what is the count
// table's own. One procedure reads every row.
struct CountProbeSpec {
    const char16_t* name;
    EngineId engine;
    CountMetric metric;
    SharedPage keep;
    const EngineRow* row;
};

// The rows, in the order the site query calls them: per engine, indexed pages then backlinks;
// read from the current engine definitions.
const std::array<CountProbeSpec, 2 * kEngineCount>& CountProbeSpecs();
// The same from a given set of definitions.
const std::array<CountProbeSpec, 2 * kEngineCount>&
CountProbeSpecsOf(const EngineDefinitions& definitions);
const CountProbeSpec& CountProbeSpecFor(EngineId engine, CountMetric metric);

// "http://", the row's host, the path with the domain unchanged in its placeholder.
QString CountProbeUrl(const CountProbeSpec& spec, const QString& domain);
// A row that leaves its page for a snapshot probe leaves it in the query's context; without
// one the page is not kept.
FetchRequest CountProbeRequest(const CountProbeSpec& spec, const QString& domain,
                               SiteQueryContext* context = nullptr);

// One count probe: the count text, or "0".
FetchOutcome RunCountProbe(const CountProbeSpec& spec, const QString& domain, const EventPump& pump,
                           SiteQueryContext* context = nullptr);

} // namespace kelvane::query
