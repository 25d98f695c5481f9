#include "lookup/page_lookup.h"

#include "platform/host_config.h"
#include "platform/regexp.h"
#include "query/strip_tokens.h"

namespace kelvane::lookup {

QString ApplyReplacements(QString text, const QList<Replacement>& replacements) {
    for (const Replacement& replacement : replacements)
        text.replace(replacement.from, replacement.to, Qt::CaseSensitive);
    return text;
}

QString PageLookupUrl(const PageLookup& lookup, const QString& input) {
    return platform::originFor(lookup.hostKey) + lookup.path +
           query::StripTokens(input, lookup.inputTokens) + lookup.pathAfter;
}

QString RewriteLookupPage(const PageLookup& lookup, QString text) {
    platform::TRegExp matcher;
    matcher.setPattern(lookup.pattern);
    const QList<platform::RegExpMatch> matches = matcher.Execute(text);
    if (!matches.isEmpty() && !matches.last().value.isEmpty())
        text = matches.last().value;
    if (!lookup.answerWord.isEmpty() && text.contains(lookup.answerWord, Qt::CaseSensitive))
        text = lookup.answerText;
    return ApplyReplacements(std::move(text), lookup.replacements);
}

namespace {

// The guarded part of a lookup; raises what the exchange or the matcher raises.
QString fetchAndRewrite(const PageLookup& lookup, const QString& url) {
    return RewriteLookupPage(lookup,
                             query::FetchPage(url, query::FetchMode::Stream, lookup.options));
}

} // namespace

query::FetchOutcome RunPageLookup(const PageLookup& lookup, const QString& input) {
    // Building the URL stands outside the guard, as it cannot fail short of memory.
    const QString url = PageLookupUrl(lookup, input);
    query::FetchOutcome outcome;
    try {
        outcome.value = fetchAndRewrite(lookup, url);
    } catch (const std::exception& error) {
        return query::FallbackFor(error, lookup.failureText);
    }
    if (outcome.value.isEmpty() && !lookup.emptyText.isEmpty()) {
        outcome.value = lookup.emptyText;
        outcome.reason = query::FallbackReason::EmptyAfterCut;
    }
    return outcome;
}

} // namespace kelvane::lookup
