#pragma once

#include "query/block_signs.h"
#include "query/engine_id.h"
#include "query/fetch_and_extract.h"

#include <QString>
#include <array>

namespace kelvane::query {

struct SiteQueryContext;
class EngineDefinitions;

enum class CountMetric { IndexedPages, Backlinks };
enum class SharedPage { None, Baidu, Google };

// Everything in which the fourteen count probes differ; one procedure reads every row.
struct CountProbeSpec {
    const char16_t* name;
    EngineId engine;
    CountMetric metric;
    const char16_t* hostKey;
    const char16_t* beforeDomain;
    const char16_t* afterDomain;
    FetchMode mode;
    // nullptr keeps the client's own User-Agent; u"" sends none.
    const char16_t* userAgent;
    bool followRedirects;
    bool pumpAtEnd;
    const char16_t* pattern;
    // In cutting order; unused places stay nullptr.
    std::array<const char16_t*, 8> tokens;
    SharedPage keep;
    const BlockSigns* blockSigns;
    // Tried in order when the pattern finds nothing; unused places stay nullptr.
    std::array<const char16_t*, 3> morePatterns{};
    // A page that matches it holds a real zero; nullptr for none.
    const char16_t* noResults = nullptr;
    const char16_t* fallback = u"0";
    // The row of the engine definitions this table row comes from.
    const char16_t* id = nullptr;
};

// The rows, in the order the site query calls them: per engine, indexed pages then backlinks;
// read from the current engine definitions.
const std::array<CountProbeSpec, 2 * kEngineCount>& CountProbeSpecs();
// The same from a given set of definitions.
const std::array<CountProbeSpec, 2 * kEngineCount>&
CountProbeSpecsOf(const EngineDefinitions& definitions);
const CountProbeSpec& CountProbeSpecFor(EngineId engine, CountMetric metric);

// "http://", the row's host, the text before the domain, the domain unchanged, the text after.
QString CountProbeUrl(const CountProbeSpec& spec, const QString& domain);
// A row that leaves its page for a snapshot probe leaves it in the query's context; without
// one the page is not kept.
FetchRequest CountProbeRequest(const CountProbeSpec& spec, const QString& domain,
                               SiteQueryContext* context = nullptr);

// One count probe: the count text, or "0".
FetchOutcome RunCountProbe(const CountProbeSpec& spec, const QString& domain, const EventPump& pump,
                           SiteQueryContext* context = nullptr);

} // namespace kelvane::query
