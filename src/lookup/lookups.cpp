#include "lookup/lookups.h"

#include "lookup/page_lookup.h"
#include "query/engine_definitions.h"

namespace kelvane::lookup {

namespace {

// A row of the engine definitions as the lookup procedure reads it.
PageLookup lookupRow(const query::EngineRow& row) {
    PageLookup lookup;
    lookup.hostKey = QString::fromUtf16(row.hostKey);
    lookup.path = QString::fromUtf16(row.piece(0));
    if (row.pathPieces.size() > 1)
        lookup.pathAfter = QString::fromUtf16(row.piece(1));
    lookup.inputTokens = query::textsOf(row.inputTokens);
    if (row.userAgent)
        lookup.options.userAgent = QString::fromUtf16(row.userAgent);
    lookup.options.followRedirects = row.followRedirects;
    lookup.options.readTimeoutMs = row.readTimeoutMs;
    lookup.pattern = QString::fromUtf16(row.patterns.front());
    for (const auto& [from, to] : row.replacements)
        lookup.replacements.append({QString::fromUtf16(from), QString::fromUtf16(to)});
    if (row.answerWord)
        lookup.answerWord = QString::fromUtf16(row.answerWord);
    return lookup;
}

LookupTable buildTable(const query::EngineDefinitions& definitions) {
    LookupTable table{lookupRow(definitions.row(u"whois")), lookupRow(definitions.row(u"ip.own")),
                      lookupRow(definitions.row(u"ip"))};
    // The texts shown are the windows' own, not the engines'.
    table.whois.failureText = QString::fromUtf16(kWhoisFailureText);
    table.whois.emptyText = table.whois.failureText;
    table.ip.answerText = QString::fromUtf16(kIpUnknownText);
    table.ip.failureText = QString::fromUtf16(kIpFailureText);
    return table;
}

} // namespace

const LookupTable& lookupTable() {
    return query::currentDefinitions().derived(buildTable);
}

query::FetchOutcome WhoisLookupOutcome(const QString& name) {
    return RunPageLookup(lookupTable().whois, name);
}

QString WhoisLookup(const QString& name) {
    return WhoisLookupOutcome(name).value;
}

query::FetchOutcome OwnIpLookupOutcome() {
    return RunPageLookup(lookupTable().ownIp, QString());
}

QString OwnIpLookup() {
    return OwnIpLookupOutcome().value;
}

query::FetchOutcome IpLookupOutcome(const QString& typed) {
    return RunPageLookup(lookupTable().ip, typed);
}

QString IpLookup(const QString& typed) {
    return IpLookupOutcome(typed).value;
}

} // namespace kelvane::lookup
