#include "query/rank_probes.h"

#include "query/engine_definitions.h"
#include "query/row_request.h"
#include "query/strip_tokens.h"
#include "query/text_values.h"

#include <algorithm>

namespace kelvane::query {

namespace {

const QString kAlexaFallback = QStringLiteral("查询失败");

const EngineRow& rankRow(const char16_t* id) {
    return currentDefinitions().row(id);
}

// A page that held no number is a page without the data.
Outcome unreadable(Outcome outcome) {
    if (outcome.ok())
        outcome.reason = FallbackReason::NoMatch;
    return outcome;
}

} // namespace

Probed<int> PageRankProbe(const QString& domain, const EventPump& pump) {
    // The built-in row keeps the client's own User-Agent: the service expects it.
    const FetchRequest request = rowRequest(rankRow(u"pagerank"), domain);
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
    FetchRequest request = rowRequest(rankRow(u"sogou.rank"), domain);
    request.fallback = QStringLiteral("0");
    const FetchOutcome fetched = FetchAndExtractOutcome(request, pump);
    const std::optional<int> value = ParseInteger(fetched.value);
    if (!value)
        return {0, unreadable(outcomeOf(fetched))};
    return {*value, outcomeOf(fetched)};
}

Probed<QString> AlexaRankProbe(const QString& domain, const EventPump& pump) {
    const EngineRow& row = rankRow(u"alexa");
    const QString url = rowUrl(row, domain);
    QString text;
    Outcome outcome{FallbackReason::None, {}, HostOfUrl(url)};
    try {
        text = TrimSpacesAndControls(FetchPage(url, row.mode, rowOptions(row)));
        if (text.isEmpty())
            outcome.reason = FallbackReason::EmptyAfterCut;
    } catch (const std::exception& error) {
        text.clear();
        outcome = outcomeOf(FallbackFor(error, {}));
        outcome.host = HostOfUrl(url);
    }
    if (row.pumpAtEnd && pump)
        pump();
    return {text.isEmpty() ? kAlexaFallback : text, outcome};
}

Probed<QString> ChinaRankProbe(const QString& domain, const EventPump& pump) {
    const FetchRequest request = rowRequest(rankRow(u"chinarank"), domain);
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

} // namespace kelvane::query
