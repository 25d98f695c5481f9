#include "query/standard_probes.h"

#include "query/count_probes.h"
#include "query/rank_probes.h"
#include "query/snapshot_probes.h"

namespace kelvane::query {

SiteQueryProbes StandardSiteQueryProbes(const EventPump& pump,
                                        std::shared_ptr<SiteQueryContext> context) {
    SiteQueryProbes probes;
    probes.PageRankLookup = [pump](const QString& d) { return PageRankProbe(d, pump); };
    probes.SogouRankLookup = [pump](const QString& d) { return SogouRankProbe(d, pump); };
    probes.AlexaRankLookup = [pump](const QString& d) { return AlexaRankProbe(d, pump); };
    probes.ChinaRankLookup = [pump](const QString& d) { return ChinaRankProbe(d, pump); };
    for (EngineId engine : kAllEngines) {
        auto count = [pump, context](CountMetric metric, EngineId id) -> CountProbe {
            const CountProbeSpec& spec = CountProbeSpecFor(id, metric);
            return [&spec, pump, context](const QString& d) -> Probed<QString> {
                const FetchOutcome fetched = RunCountProbe(spec, d, pump, context.get());
                return {fetched.value, outcomeOf(fetched)};
            };
        };
        probes[engine].siteCount = count(CountMetric::IndexedPages, engine);
        probes[engine].linkCount = count(CountMetric::Backlinks, engine);
    }
    probes[EngineId::Baidu].snapshot = [context](SiteQueryView& view) {
        baiduSiteKz(view, *context);
    };
    probes[EngineId::Google].snapshot = [context](SiteQueryView& view) {
        googleSiteKz(view, *context);
    };
    return probes;
}

} // namespace kelvane::query
