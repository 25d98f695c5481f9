#pragma once

#include "query/site_query_view.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace kelvane::store {

// The history window shows at most this many records; reading trims a file to them.
inline constexpr qsizetype kHistoryRetention = 1000;
// A value longer than this many characters (a page that answered with a whole page) is
// stored as its first characters only, never splitting a surrogate pair.
inline constexpr qsizetype kHistoryValueLength = 256;

// One record line without its line break: the seven engine fields "indexed/backlinks" in
// EngineId order, PageRank, SogouRank, Alexa, ChinaRank and the stamp, joined by ",".
// A line break inside a value becomes a blank, so the record stays one line; every value is
// cut to kHistoryValueLength characters. When a value is not the page's answer, a thirteenth
// field names why: "key=reason" pairs joined by ";".
QString HistoryRecordLine(const query::SiteQueryView& view, const QString& pageRankText,
                          const QString& stamp);
// The same record as its fields, each one line already.
QStringList HistoryRecordFields(const query::SiteQueryView& view, const QString& pageRankText,
                                const QString& stamp);

// Appends the view's record to "zenvo\data\<domain>.txt", the domain being the domain box's
// text, stamped with the clock in the locale's default date-time text. A file that cannot be
// created or appended to throws EFileError, the file left as it was, so a lost record is
// never silent. A domain that is no history file name writes nothing. Returns the record's
// fields, written or not.
QStringList SaveToFile(const query::SiteQueryView& view, const QString& pageRankText);

// The fields of one record line: split at commas, empty fields dropped, a stretch from a
// quote to the next quote of the same kind kept whole with its quotes.
QStringList SplitHistoryFields(QStringView line);

// The site's records, newest first, at most kHistoryRetention, read under the file's lock.
// A longer file is cut to its newest lines and written back atomically, the kept lines byte
// for byte. An ANSI file is read in chunks and each shown line is read up to a few
// kilobytes, so a huge file costs little memory.
// Throws EFileError when the file cannot be read or written back, or the domain is no
// history file name.
QList<QStringList> ReadHistory(const QString& domain);

} // namespace kelvane::store
