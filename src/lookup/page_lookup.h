#pragma once

#include "query/fetch_and_extract.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kelvane::lookup {

struct Replacement {
    QString from;
    QString to;
};

// Replaces every occurrence of each `from`, in list order, left to right without overlap and
// case-sensitively; inserted text is not searched again.
QString ApplyReplacements(QString text, const QList<Replacement>& replacements);

// One row of the lookup table: a page on a configured host, one stretch cut out of it and
// rewritten for the memo.
struct PageLookup {
    QString hostKey;         // the host configuration key
    QString path;            // the input is appended to it unencoded
    QString pathAfter;       // what follows the input
    QStringList inputTokens; // cut out of the input first, in order
    query::ProbeRequestOptions options;
    QString pattern;    // the first match replaces the page; without one the whole page stays
    QString answerWord; // when the text holds it, the text becomes answerText
    QString answerText; // (empty answerWord: no such rule)
    QList<Replacement> replacements;
    QString failureText; // any failure of the exchange or the matcher
    QString emptyText;   // a result left empty by the replacements
};

// The request URL of a row for an input, on the host configured now.
QString PageLookupUrl(const PageLookup& lookup, const QString& input);

// The page text as the row rewrites it for the memo: its pattern's match (the whole page
// without one), the answer rule, the replacements. Raises a matcher failure.
QString RewriteLookupPage(const PageLookup& lookup, QString page);

// Fetches the row's page with a fresh client (Stream decoding) and returns the text to show.
// Never raises: a failure gives failureText with the reason it fell back.
query::FetchOutcome RunPageLookup(const PageLookup& lookup, const QString& input);

} // namespace kelvane::lookup
