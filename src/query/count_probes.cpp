#include "query/count_probes.h"

#include "platform/host_config.h"
#include "query/engine_definitions.h"
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
        const EngineRow& row = definitions.row(kIdentities[i].id);
        CountProbeSpec& spec = specs[i];
        spec.name = kIdentities[i].name;
        spec.engine = static_cast<EngineId>(i / 2);
        spec.metric = i % 2 == 0 ? IndexedPages : Backlinks;
        spec.hostKey = row.hostKey;
        spec.beforeDomain = row.piece(0);
        spec.afterDomain = row.piece(1);
        spec.mode = row.mode;
        spec.userAgent = row.userAgent;
        spec.followRedirects = row.followRedirects;
        spec.pumpAtEnd = row.pumpAtEnd;
        spec.pattern = row.patterns.front();
        for (std::size_t p = 1; p < row.patterns.size() && p <= spec.morePatterns.size(); ++p)
            spec.morePatterns[p - 1] = row.patterns[p];
        spec.tokens = {};
        for (std::size_t t = 0; t < row.tokens.size() && t < spec.tokens.size(); ++t)
            spec.tokens[t] = row.tokens[t];
        spec.keep = kIdentities[i].keep;
        spec.blockSigns = row.blockSigns;
        spec.noResults = row.noResults;
        spec.fallback = row.fallback ? row.fallback : u"0";
        spec.id = row.id;
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
    return platform::originFor(QString::fromUtf16(spec.hostKey)) +
           QString::fromUtf16(spec.beforeDomain) + domain + QString::fromUtf16(spec.afterDomain);
}

FetchRequest CountProbeRequest(const CountProbeSpec& spec, const QString& domain,
                               SiteQueryContext* context) {
    FetchRequest request;
    request.url = CountProbeUrl(spec, domain);
    request.mode = spec.mode;
    if (spec.userAgent)
        request.options.userAgent = QString::fromUtf16(spec.userAgent);
    request.options.followRedirects = spec.followRedirects;
    request.pattern = QString::fromUtf16(spec.pattern);
    for (const char16_t* pattern : spec.morePatterns) {
        if (pattern)
            request.morePatterns << QString::fromUtf16(pattern);
    }
    for (const char16_t* token : spec.tokens) {
        if (token)
            request.tokens << QString::fromUtf16(token);
    }
    request.fallback = QString::fromUtf16(spec.fallback);
    request.keep = sharedPage(spec.keep, context);
    request.pumpAtEnd = spec.pumpAtEnd;
    request.blockSigns = spec.blockSigns;
    if (spec.noResults)
        request.noResults = QString::fromUtf16(spec.noResults);
    return request;
}

FetchOutcome RunCountProbe(const CountProbeSpec& spec, const QString& domain, const EventPump& pump,
                           SiteQueryContext* context) {
    return FetchAndExtractOutcome(CountProbeRequest(spec, domain, context), pump);
}

} // namespace kelvane::query
