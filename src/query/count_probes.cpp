#include "query/count_probes.h"

#include "platform/host_config.h"
#include "query/last_pages.h"

namespace kelvane {

namespace {

using enum EngineId;
using enum CountMetric;
constexpr FetchMode kStream = FetchMode::Stream;
constexpr FetchMode kCharsetText = FetchMode::CharsetText;

// Spaces are ASCII spaces, "," the ASCII comma; "，" in Bing's text is the full-width comma.
constexpr std::array<CountProbeSpec, 2 * kEngineCount> kSpecs = {{
    {u"BaiduSiteCount",
     Baidu,
     IndexedPages,
     u"baidu",
     u"/s?wd=site:",
     u"",
     kStream,
     u"",
     false,
     false,
     u"找到相关网页((.|\\n)*?)篇",
     {u"找到相关网页", u"约", u"篇", u","},
     SharedPage::Baidu},
    {u"BaiduDomainCount",
     Baidu,
     Backlinks,
     u"baidu",
     u"/s?wd=domain:",
     u"",
     kStream,
     u"",
     false,
     true,
     u"找到相关网页((.|\\n)*?)篇",
     {u"找到相关网页", u"约", u"篇", u","},
     SharedPage::None},
    {u"GoogleSiteCount",
     Google,
     IndexedPages,
     u"google",
     u"/search?hl=zh-CN&q=site:",
     u"",
     kStream,
     u"",
     false,
     true,
     u"获得约 <b>((.|\\n)*?)</b> ",
     {u"获得约 <b>", u"</b> ", u","},
     SharedPage::Google},
    {u"GoogleLinkCount",
     Google,
     Backlinks,
     u"google",
     u"/search?hl=zh-CN&q=link:",
     u"",
     kStream,
     u"",
     false,
     true,
     u"有 <b>((.|\\n)*?)</b> ",
     {u"有 <b>", u"</b> ", u","},
     SharedPage::None},
    {u"YahooSiteCount",
     Yahoo,
     IndexedPages,
     u"yahoo_explorer",
     u"/search?p=",
     u"",
     kCharsetText,
     u"",
     false,
     true,
     u"<strong>((.|\\n)*?)</strong>",
     {u"<strong>", u"</strong>", u","},
     SharedPage::None},
    {u"YahooLinkCount",
     Yahoo,
     Backlinks,
     u"yahoo_explorer",
     u"/search?p=",
     u"&bwm=i",
     kCharsetText,
     u"",
     false,
     true,
     u"<strong>((.|\\n)*?)</strong>",
     {u"<strong>", u"</strong>", u","},
     SharedPage::None},
    {u"SogouSiteCount",
     Sogou,
     IndexedPages,
     u"sogou",
     u"/web?query=site:",
     u"",
     kStream,
     u"MSIE 6.0",
     true,
     true,
     u"找到 ((.|\\n)*?) <!--",
     {u"找到 ", u" <!--", u","},
     SharedPage::None},
    {u"SogouLinkCount",
     Sogou,
     Backlinks,
     u"sogou",
     u"/web?query=link:",
     u"",
     kStream,
     u"",
     false,
     true,
     u"找到 ((.|\\n)*?) <!--",
     {u"找到 ", u" <!--", u","},
     SharedPage::None},
    {u"SosoSiteCount",
     Soso,
     IndexedPages,
     u"soso",
     u"/q?pid=s.idx&w=site:",
     u"",
     kStream,
     u"",
     false,
     true,
     u"搜索到约((.|\\n)*?)项结果",
     {u"搜索到约", u"项结果", u" ", u","},
     SharedPage::None},
    {u"SosoLinkCount",
     Soso,
     Backlinks,
     u"soso",
     u"/q?pid=s.idx&w=link:",
     u"",
     kStream,
     u"",
     false,
     true,
     u"搜索到约((.|\\n)*?)项结果",
     {u"搜索到约", u"项结果", u" ", u","},
     SharedPage::None},
    {u"YoudaoSiteCount",
     Youdao,
     IndexedPages,
     u"youdao",
     u"/search?q=site:",
     u"",
     kCharsetText,
     u"",
     false,
     true,
     u"共((.|\\n)*?)条结果",
     {u"条结果", u"共", u"万", u"约", u","},
     SharedPage::None},
    {u"YoudaoLinkCount",
     Youdao,
     Backlinks,
     u"youdao",
     u"/search?q=link:",
     u"",
     kCharsetText,
     u"",
     false,
     true,
     u"共((.|\\n)*?)条结果",
     {u"条结果", u"共", u"万", u"约", u","},
     SharedPage::None},
    {u"BingSiteCount",
     Bing,
     IndexedPages,
     u"bing",
     u"/search?q=site:",
     u"",
     kCharsetText,
     u"",
     false,
     true,
     u"条结果，共 ((.|\\n)*?) 条",
     {u"条结果，共 ", u" 条", u" ", u","},
     SharedPage::None},
    {u"BingLinkCount",
     Bing,
     Backlinks,
     u"bing",
     u"/search?q=link:",
     u"",
     kCharsetText,
     u"",
     false,
     true,
     u"条结果，共 ((.|\\n)*?) 条",
     {u"条结果，共 ", u" 条", u" ", u","},
     SharedPage::None},
}};

PageText* sharedPage(SharedPage page) {
    switch (page) {
    case SharedPage::Baidu:
        return &BaiduLastPage;
    case SharedPage::Google:
        return &GoogleLastPage;
    case SharedPage::None:
        break;
    }
    return nullptr;
}

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

FetchRequest CountProbeRequest(const CountProbeSpec& spec, const QString& domain) {
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
    request.keep = sharedPage(spec.keep);
    request.pumpAtEnd = spec.pumpAtEnd;
    return request;
}

FetchOutcome RunCountProbe(const CountProbeSpec& spec, const QString& domain,
                           const EventPump& pump) {
    return FetchAndExtractOutcome(CountProbeRequest(spec, domain), pump);
}

} // namespace kelvane
