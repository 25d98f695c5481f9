#include "query/standard_probes.h"

#include "query/count_probes.h"
#include "query/rank_probes.h"
#include "query/snapshot_probes.h"

namespace kelvane {

SiteQueryProbes StandardSiteQueryProbes(const EventPump& pump) {
    SiteQueryProbes probes;
    probes.PageRankLookup = [pump](const QString& d) { return PageRankLookup(d, pump); };
    probes.SogouRankLookup = [pump](const QString& d) { return SogouRankLookup(d, pump); };
    probes.AlexaRankLookup = [pump](const QString& d) { return AlexaRankLookup(d, pump); };
    probes.ChinaRankLookup = [pump](const QString& d) { return ChinaRankLookup(d, pump); };
    for (EngineId engine : kAllEngines) {
        auto count = [pump](CountMetric metric, EngineId id) -> CountProbe {
            const CountProbeSpec& spec = CountProbeSpecFor(id, metric);
            return [&spec, pump](const QString& d) { return RunCountProbe(spec, d, pump).value; };
        };
        probes[engine].siteCount = count(CountMetric::IndexedPages, engine);
        probes[engine].linkCount = count(CountMetric::Backlinks, engine);
    }
    probes[EngineId::Baidu].snapshot = baiduSiteKz;
    probes[EngineId::Google].snapshot = googleSiteKz;
    return probes;
}

} // namespace kelvane
