#include "query/count_probes.h"

#include "platform/host_config.h"
#include "query/site_query_context.h"

namespace kelvane {

namespace {

using enum EngineId;
using enum CountMetric;
constexpr FetchMode kStream = FetchMode::Stream;
constexpr FetchMode kCharsetText = FetchMode::CharsetText;

// Spaces are ASCII spaces, "," the ASCII comma; "，" in Bing's text is the full-width comma.
constexpr std::array<CountProbeSpec, 2 * kEngineCount> kSpecs = {{
    {.name = u"BaiduSiteCount",
     .engine = Baidu,
     .metric = IndexedPages,
     .hostKey = u"baidu",
     .beforeDomain = u"/s?wd=site:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = false,
     .pattern = u"找到相关网页((.|\\n)*?)篇",
     .tokens = {u"找到相关网页", u"约", u"篇", u","},
     .keep = SharedPage::Baidu,
     .blockSigns = &kBaiduBlockSigns},
    {.name = u"BaiduDomainCount",
     .engine = Baidu,
     .metric = Backlinks,
     .hostKey = u"baidu",
     .beforeDomain = u"/s?wd=domain:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"找到相关网页((.|\\n)*?)篇",
     .tokens = {u"找到相关网页", u"约", u"篇", u","},
     .keep = SharedPage::None,
     .blockSigns = &kBaiduBlockSigns},
    {.name = u"GoogleSiteCount",
     .engine = Google,
     .metric = IndexedPages,
     .hostKey = u"google",
     .beforeDomain = u"/search?hl=zh-CN&q=site:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"获得约 <b>((.|\\n)*?)</b> ",
     .tokens = {u"获得约 <b>", u"</b> ", u","},
     .keep = SharedPage::Google,
     .blockSigns = &kGoogleBlockSigns},
    {.name = u"GoogleLinkCount",
     .engine = Google,
     .metric = Backlinks,
     .hostKey = u"google",
     .beforeDomain = u"/search?hl=zh-CN&q=link:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"有 <b>((.|\\n)*?)</b> ",
     .tokens = {u"有 <b>", u"</b> ", u","},
     .keep = SharedPage::None,
     .blockSigns = &kGoogleBlockSigns},
    {.name = u"YahooSiteCount",
     .engine = Yahoo,
     .metric = IndexedPages,
     .hostKey = u"yahoo_explorer",
     .beforeDomain = u"/search?p=",
     .afterDomain = u"",
     .mode = kCharsetText,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"<strong>((.|\\n)*?)</strong>",
     .tokens = {u"<strong>", u"</strong>", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"YahooLinkCount",
     .engine = Yahoo,
     .metric = Backlinks,
     .hostKey = u"yahoo_explorer",
     .beforeDomain = u"/search?p=",
     .afterDomain = u"&bwm=i",
     .mode = kCharsetText,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"<strong>((.|\\n)*?)</strong>",
     .tokens = {u"<strong>", u"</strong>", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"SogouSiteCount",
     .engine = Sogou,
     .metric = IndexedPages,
     .hostKey = u"sogou",
     .beforeDomain = u"/web?query=site:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"MSIE 6.0",
     .followRedirects = true,
     .pumpAtEnd = true,
     .pattern = u"找到 ((.|\\n)*?) <!--",
     .tokens = {u"找到 ", u" <!--", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSogouBlockSigns},
    {.name = u"SogouLinkCount",
     .engine = Sogou,
     .metric = Backlinks,
     .hostKey = u"sogou",
     .beforeDomain = u"/web?query=link:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"找到 ((.|\\n)*?) <!--",
     .tokens = {u"找到 ", u" <!--", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSogouBlockSigns},
    {.name = u"SosoSiteCount",
     .engine = Soso,
     .metric = IndexedPages,
     .hostKey = u"soso",
     .beforeDomain = u"/q?pid=s.idx&w=site:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"搜索到约((.|\\n)*?)项结果",
     .tokens = {u"搜索到约", u"项结果", u" ", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"SosoLinkCount",
     .engine = Soso,
     .metric = Backlinks,
     .hostKey = u"soso",
     .beforeDomain = u"/q?pid=s.idx&w=link:",
     .afterDomain = u"",
     .mode = kStream,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"搜索到约((.|\\n)*?)项结果",
     .tokens = {u"搜索到约", u"项结果", u" ", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"YoudaoSiteCount",
     .engine = Youdao,
     .metric = IndexedPages,
     .hostKey = u"youdao",
     .beforeDomain = u"/search?q=site:",
     .afterDomain = u"",
     .mode = kCharsetText,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"共((.|\\n)*?)条结果",
     .tokens = {u"条结果", u"共", u"万", u"约", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"YoudaoLinkCount",
     .engine = Youdao,
     .metric = Backlinks,
     .hostKey = u"youdao",
     .beforeDomain = u"/search?q=link:",
     .afterDomain = u"",
     .mode = kCharsetText,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"共((.|\\n)*?)条结果",
     .tokens = {u"条结果", u"共", u"万", u"约", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"BingSiteCount",
     .engine = Bing,
     .metric = IndexedPages,
     .hostKey = u"bing",
     .beforeDomain = u"/search?q=site:",
     .afterDomain = u"",
     .mode = kCharsetText,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"条结果，共 ((.|\\n)*?) 条",
     .tokens = {u"条结果，共 ", u" 条", u" ", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
    {.name = u"BingLinkCount",
     .engine = Bing,
     .metric = Backlinks,
     .hostKey = u"bing",
     .beforeDomain = u"/search?q=link:",
     .afterDomain = u"",
     .mode = kCharsetText,
     .userAgent = u"",
     .followRedirects = false,
     .pumpAtEnd = true,
     .pattern = u"条结果，共 ((.|\\n)*?) 条",
     .tokens = {u"条结果，共 ", u" 条", u" ", u","},
     .keep = SharedPage::None,
     .blockSigns = &kSearchPageBlockSigns},
}};

PageText* sharedPage(SharedPage page, SiteQueryContext* context) {
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

// CountProbeSpecFor finds a row by its place: per engine in EngineId order, indexed pages first.
constexpr bool rowsInProbeOrder() {
    for (size_t i = 0; i < kSpecs.size(); ++i) {
        if (kSpecs[i].engine != static_cast<EngineId>(i / 2) ||
            kSpecs[i].metric != (i % 2 == 0 ? IndexedPages : Backlinks))
            return false;
    }
    return true;
}
static_assert(rowsInProbeOrder());

} // namespace

const std::array<CountProbeSpec, 2 * kEngineCount>& CountProbeSpecs() {
    return kSpecs;
}

const CountProbeSpec& CountProbeSpecFor(EngineId engine, CountMetric metric) {
    return kSpecs[static_cast<size_t>(engine) * 2 + (metric == Backlinks ? 1 : 0)];
}

QString CountProbeUrl(const CountProbeSpec& spec, const QString& domain) {
    return hosts::originFor(QString::fromUtf16(spec.hostKey)) +
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
    for (const char16_t* token : spec.tokens) {
        if (token)
            request.tokens << QString::fromUtf16(token);
    }
    request.fallback = QStringLiteral("0");
    request.keep = sharedPage(spec.keep, context);
    request.pumpAtEnd = spec.pumpAtEnd;
    request.blockSigns = spec.blockSigns;
    return request;
}

FetchOutcome RunCountProbe(const CountProbeSpec& spec, const QString& domain, const EventPump& pump,
                           SiteQueryContext* context) {
    return FetchAndExtractOutcome(CountProbeRequest(spec, domain, context), pump);
}

} // namespace kelvane
