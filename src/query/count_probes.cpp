#include "query/count_probes.h"

#include "query/engine_definitions.h"
#include "query/row_request.h"
#include "query/site_query_context.h"

namespace kelvane::query {

namespace {

using enum CountMetric;

struct CountProbeIdentity {
    const char16_t* id;
    const char16_t* name;
    SharedPage keep;
};

// Per engine in EngineId order, indexed pages then backlinks: CountProbeSpecFor finds a row by
// its place. What a request looks like comes from the engine definitions.
constexpr CountProbeIdentity kIdentities[2 * kEngineCount] = {
    {u"baidu.site", u"BaiduSiteCount", SharedPage::Baidu},
    {u"baidu.domain", u"BaiduDomainCount", SharedPage::None},
    {u"google.site", u"GoogleSiteCount", SharedPage::Google},
    {u"google.link", u"GoogleLinkCount", SharedPage::None},
    {u"yahoo.site", u"YahooSiteCount", SharedPage::None},
    {u"yahoo.link", u"YahooLinkCount", SharedPage::None},
    {u"sogou.site", u"SogouSiteCount", SharedPage::None},
    {u"sogou.link", u"SogouLinkCount", SharedPage::None},
    {u"soso.site", u"SosoSiteCount", SharedPage::None},
    {u"soso.link", u"SosoLinkCount", SharedPage::None},
    {u"youdao.site", u"YoudaoSiteCount", SharedPage::None},
    {u"youdao.link", u"YoudaoLinkCount", SharedPage::None},
    {u"bing.site", u"BingSiteCount", SharedPage::None},
    {u"bing.link", u"BingLinkCount", SharedPage::None},
};

using CountSpecTable = std::array<CountProbeSpec, 2 * kEngineCount>;

CountSpecTable buildSpecs(const EngineDefinitions& definitions) {
    CountSpecTable specs{};
    for (std::size_t i = 0; i < specs.size(); ++i) {
        specs[i] = {kIdentities[i].name, static_cast<EngineId>(i / 2),
                    i % 2 == 0 ? IndexedPages : Backlinks, kIdentities[i].keep,
                    &definitions.row(kIdentities[i].id)};
    }
    return specs;
}

platform::PageText* sharedPage(SharedPage page, SiteQueryContext* context) {
    if (!context)
        return nullptr;
    switch (page) {
    case SharedPage::Baidu:
        return &context->BaiduLastPage;
    case SharedPage::Google:
        return &context->GoogleLastPage;
    case SharedPage::None:
        break;
    }
    return nullptr;
}

} // namespace

const std::array<CountProbeSpec, 2 * kEngineCount>&
CountProbeSpecsOf(const EngineDefinitions& definitions) {
    return definitions.derived(buildSpecs);
}

const std::array<CountProbeSpec, 2 * kEngineCount>& CountProbeSpecs() {
    return CountProbeSpecsOf(currentDefinitions());
}

const CountProbeSpec& CountProbeSpecFor(EngineId engine, CountMetric metric) {
    return CountProbeSpecs()[static_cast<size_t>(engine) * 2 + (metric == Backlinks ? 1 : 0)];
}

QString CountProbeUrl(const CountProbeSpec& spec, const QString& domain) {
    return rowUrl(*spec.row, domain);
}

FetchRequest CountProbeRequest(const CountProbeSpec& spec, const QString& domain,
                               SiteQueryContext* context) {
    FetchRequest request = rowRequest(*spec.row, domain);
    if (!spec.row->fallback)
        request.fallback = QStringLiteral("0");
    request.keep = sharedPage(spec.keep, context);
    return request;
}

FetchOutcome RunCountProbe(const CountProbeSpec& spec, const QString& domain, const EventPump& pump,
                           SiteQueryContext* context) {
    return FetchAndExtractOutcome(CountProbeRequest(spec, domain, context), pump);
}

} // namespace kelvane::query
