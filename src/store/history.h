#pragma once

#include "query/site_query_view.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace kelvane::store {

// The history window shows at most this many records; reading trims a file to them.
inline constexpr qsizetype kHistoryRetention = 1000;

// One record line without its line break: the seven engine fields "indexed/backlinks" in
// EngineId order, PageRank, SogouRank, Alexa, ChinaRank and the stamp, joined by ",".
// A line break inside a value becomes a blank, so the record stays one line. When a value is
// not the page's answer, a thirteenth field names why: "key=reason" pairs joined by ";".
QString HistoryRecordLine(const SiteQueryView& view, const QString& pageRankText,
                          const QString& stamp);

// Appends the view's record to "zenvo\data\<domain>.txt", the domain being the domain box's
// text, stamped with the clock in the locale's default date-time text. Creating a missing
// file is not guarded: its EFileError goes to the caller. A failed append is swallowed and
// the record is lost. A domain that is no history file name writes nothing.
void SaveToFile(const SiteQueryView& view, const QString& pageRankText);

// The fields of one record line: split at commas, empty fields dropped, a stretch from a
// quote to the next quote of the same kind kept whole with its quotes.
QStringList SplitHistoryFields(QStringView line);

// The site's records, newest first, at most kHistoryRetention. A longer file is first cut to
// its newest lines and written back atomically, the kept lines byte for byte.
// Throws EFileError when the file cannot be read or written back, or the domain is no
// history file name.
QList<QStringList> ReadHistory(const QString& domain);

} // namespace kelvane::store
