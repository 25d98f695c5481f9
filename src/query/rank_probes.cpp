#include "query/rank_probes.h"

#include "platform/host_config.h"
#include "query/strip_tokens.h"
#include "query/text_values.h"

#include <algorithm>

namespace kelvane {

namespace {

const QString kAlexaFallback = QStringLiteral("查询失败");

QString serviceUrl(const char16_t* hostKey, const char16_t* beforeDomain, const QString& domain) {
    return hosts::originFor(QString::fromUtf16(hostKey)) + QString::fromUtf16(beforeDomain) +
           domain;
}

// A fetch whose empty text tells the caller that nothing usable came back.
FetchRequest rankRequest(QString url, FetchMode mode, QString pattern, QStringList tokens,
                         bool pumpAtEnd) {
    FetchRequest request;
    request.url = std::move(url);
    request.mode = mode;
    request.pattern = std::move(pattern);
    request.tokens = std::move(tokens);
    request.pumpAtEnd = pumpAtEnd;
    return request;
}

} // namespace

int PageRankLookup(const QString& domain, const EventPump& pump) {
    // The client's own User-Agent stays: the service expects it.
    const FetchRequest request =
        rankRequest(serviceUrl(u"home", u"/pr/?domain=", domain), FetchMode::CharsetText,
                    QStringLiteral("<strong>((.|\\n)*?)</strong>"),
                    {QStringLiteral("<strong>"), QStringLiteral("</strong>")}, false);
    const QString text = TrimSpacesAndControls(FetchAndExtract(request, pump));
    if (text.isEmpty())
        return 0;
    return std::max(ParseInteger(text).value_or(0), 0);
}

int SogouRankLookup(const QString& domain, const EventPump& pump) {
    FetchRequest request = rankRequest(
        serviceUrl(u"sogou", u"/web?query=link:", domain), FetchMode::Stream,
        QStringLiteral("搜狗评级:((.|\\n)*?)/100"),
        {QStringLiteral("搜狗评级:"), QStringLiteral("/100"), QStringLiteral(",")}, true);
    request.options.userAgent = QString();
    request.fallback = QStringLiteral("0");
    return ParseInteger(FetchAndExtract(request, pump)).value_or(0);
}

QString AlexaRankLookup(const QString& domain, const EventPump& pump) {
    ProbeRequestOptions options;
    options.userAgent = QString();
    options.readTimeoutMs = 1000;
    QString text;
    try {
        text = TrimSpacesAndControls(FetchPage(serviceUrl(u"home", u"/api/alexa.asp?d=", domain),
                                               FetchMode::CharsetText, options));
    } catch (const std::exception&) {
        text.clear();
    }
    if (pump)
        pump();
    return text.isEmpty() ? kAlexaFallback : text;
}

QString ChinaRankLookup(const QString& domain, const EventPump& pump) {
    const QString prefix =
        QStringLiteral("<span class=\"bold\">当前排名：</span><span class=\"rank_font_y2\">");
    FetchRequest request = rankRequest(serviceUrl(u"chinarank", u"/overview/Info.do?url=", domain),
                                       FetchMode::Stream, prefix + QStringLiteral("((.|\\n)*?)>"),
                                       {prefix, QStringLiteral("</span>")}, true);
    request.options.userAgent = QString();
    request.options.followRedirects = true;
    request.options.readTimeoutMs = 2000;
    QString text = FetchAndExtract(request, pump);
    text.replace(QStringLiteral("子网站不参与综合排名"), QStringLiteral("子网站不参与排名"));
    text = StripTokens(text, {QStringLiteral(",")});
    return text.isEmpty() ? QStringLiteral("0") : text;
}

} // namespace kelvane
