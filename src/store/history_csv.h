#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kelvane::store {

// The records as the history window shows them, newest first, for a spreadsheet: UTF-8 with
// a byte-order mark (so spreadsheet programs read the Chinese titles), CR LF after every row,
// the grid's column titles first, then the row number and the fields of each record. A field
// holding a comma, a double quote, CR or LF is quoted, its quotes doubled. A field that
// begins with "=", "+", "-", "@", tab or CR gets a leading "'", so no spreadsheet takes it
// for a formula. A record with more fields than the grid has columns keeps them all, under
// empty titles. When any record has an outcome field ("baidu.site=blocked;..."), a last column
// kOutcomeColumnTitle holds it, empty for the records of runs where everything was fine.
inline const QString kOutcomeColumnTitle = QStringLiteral("状态");
QByteArray HistoryCsv(const QList<QStringList>& newestFirst);

// One row of such a file: the fields quoted and guarded as above, CR LF after them.
QString CsvRow(const QStringList& fields);

} // namespace kelvane::store
