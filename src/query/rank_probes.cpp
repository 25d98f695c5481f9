#include "query/rank_probes.h"

#include "platform/host_config.h"
#include "query/block_signs.h"
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

// A page that held no number is a page without the data.
Outcome unreadable(Outcome outcome) {
    if (outcome.ok())
        outcome.reason = FallbackReason::NoMatch;
    return outcome;
}

} // namespace

Probed<int> PageRankProbe(const QString& domain, const EventPump& pump) {
    // The client's own User-Agent stays: the service expects it.
    const FetchRequest request =
        rankRequest(serviceUrl(u"home", u"/pr/?domain=", domain), FetchMode::CharsetText,
                    QStringLiteral("<strong>((.|\\n)*?)</strong>"),
                    {QStringLiteral("<strong>"), QStringLiteral("</strong>")}, false);
    const FetchOutcome fetched = FetchAndExtractOutcome(request, pump);
    const QString text = TrimSpacesAndControls(fetched.value);
    Outcome outcome = outcomeOf(fetched);
    if (text.isEmpty()) {
        if (outcome.ok())
            outcome.reason = FallbackReason::EmptyAfterCut;
        return {0, outcome};
    }
    const std::optional<int> value = ParseInteger(text);
    if (!value)
        return {0, unreadable(outcome)};
    return {std::max(*value, 0), outcome};
}

Probed<int> SogouRankProbe(const QString& domain, const EventPump& pump) {
    FetchRequest request = rankRequest(
        serviceUrl(u"sogou", u"/web?query=link:", domain), FetchMode::Stream,
        QStringLiteral("搜狗评级:((.|\\n)*?)/100"),
        {QStringLiteral("搜狗评级:"), QStringLiteral("/100"), QStringLiteral(",")}, true);
    request.options.userAgent = QString();
    request.fallback = QStringLiteral("0");
    request.blockSigns = &kSogouBlockSigns;
    const FetchOutcome fetched = FetchAndExtractOutcome(request, pump);
    const std::optional<int> value = ParseInteger(fetched.value);
    if (!value)
        return {0, unreadable(outcomeOf(fetched))};
    return {*value, outcomeOf(fetched)};
}

Probed<QString> AlexaRankProbe(const QString& domain, const EventPump& pump) {
    const QString url = serviceUrl(u"home", u"/api/alexa.asp?d=", domain);
    ProbeRequestOptions options;
    options.userAgent = QString();
    options.readTimeoutMs = 1000;
    QString text;
    Outcome outcome{FallbackReason::None, {}, HostOfUrl(url)};
    try {
        text = TrimSpacesAndControls(FetchPage(url, FetchMode::CharsetText, options));
        if (text.isEmpty())
            outcome.reason = FallbackReason::EmptyAfterCut;
    } catch (const std::exception& error) {
        text.clear();
        outcome = outcomeOf(FallbackFor(error, {}));
        outcome.host = HostOfUrl(url);
    }
    if (pump)
        pump();
    return {text.isEmpty() ? kAlexaFallback : text, outcome};
}

Probed<QString> ChinaRankProbe(const QString& domain, const EventPump& pump) {
    const QString prefix =
        QStringLiteral("<span class=\"bold\">当前排名：</span><span class=\"rank_font_y2\">");
    FetchRequest request = rankRequest(serviceUrl(u"chinarank", u"/overview/Info.do?url=", domain),
                                       FetchMode::Stream, prefix + QStringLiteral("((.|\\n)*?)>"),
                                       {prefix, QStringLiteral("</span>")}, true);
    request.options.userAgent = QString();
    request.options.followRedirects = true;
    request.options.readTimeoutMs = 2000;
    const FetchOutcome fetched = FetchAndExtractOutcome(request, pump);
    Outcome outcome = outcomeOf(fetched);
    QString text = fetched.value;
    text.replace(QStringLiteral("子网站不参与综合排名"), QStringLiteral("子网站不参与排名"));
    text = StripTokens(text, {QStringLiteral(",")});
    if (text.isEmpty()) {
        if (outcome.ok())
            outcome.reason = FallbackReason::EmptyAfterCut;
        return {QStringLiteral("0"), outcome};
    }
    return {text, outcome};
}

int PageRankLookup(const QString& domain, const EventPump& pump) {
    return PageRankProbe(domain, pump).value;
}

int SogouRankLookup(const QString& domain, const EventPump& pump) {
    return SogouRankProbe(domain, pump).value;
}

QString AlexaRankLookup(const QString& domain, const EventPump& pump) {
    return AlexaRankProbe(domain, pump).value;
}

QString ChinaRankLookup(const QString& domain, const EventPump& pump) {
    return ChinaRankProbe(domain, pump).value;
}

} // namespace kelvane
