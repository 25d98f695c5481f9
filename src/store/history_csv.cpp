#include "store/history_csv.h"

#include "store/history_grid.h"
#include "store/history_outcomes.h"

#include <algorithm>
#include <utility>

namespace kelvane::store {

namespace {

// A spreadsheet runs a cell that starts with one of these as a formula; a page value (an
// answer of "=cmd|..." from a rank service) must stay text.
bool startsFormula(const QString& field) {
    if (field.isEmpty())
        return false;
    const QChar first = field.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' ||
           first == u'\r';
}

void appendField(QString& out, const QString& value) {
    const QString field = startsFormula(value) ? u'\'' + value : value;
    const bool quoted = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
                        field.contains(u'\n');
    if (!quoted) {
        out += field;
        return;
    }
    out += u'"';
    for (const QChar c : field) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

void appendRow(QString& out, const QStringList& row, qsizetype width) {
    for (qsizetype i = 0; i < width; ++i) {
        if (i > 0)
            out += u',';
        if (i < row.size())
            appendField(out, row[i]);
    }
    out += u"\r\n";
}

// The record's values, and its outcome field apart.
std::pair<QStringList, QString> splitOutcomes(const QStringList& fields) {
    if (!HasOutcomeField(fields))
        return {fields, {}};
    return {fields.first(fields.size() - 1), fields.last()};
}

} // namespace

QString CsvRow(const QStringList& fields) {
    QString out;
    appendRow(out, fields, fields.size());
    return out;
}

QByteArray HistoryCsv(const QList<QStringList>& newestFirst) {
    qsizetype width = kHistoryGridColumns;
    bool anyOutcomes = false;
    for (const QStringList& fields : newestFirst) {
        width = std::max(width, splitOutcomes(fields).first.size() + 1);
        anyOutcomes = anyOutcomes || HasOutcomeField(fields);
    }
    // Without a failure anywhere the export stays as it always was.
    const qsizetype columns = anyOutcomes ? width + 1 : width;

    QStringList titles;
    for (const HistoryColumn& column : kHistoryColumns)
        titles.append(QString::fromUtf16(column.title));
    while (titles.size() < width)
        titles.append(QString());
    if (anyOutcomes)
        titles.append(kOutcomeColumnTitle);
    QString out;
    appendRow(out, titles, columns);
    for (qsizetype k = 0; k < newestFirst.size(); ++k) {
        auto [values, outcomes] = splitOutcomes(newestFirst[k]);
        QStringList row{QString::number(k + 1)};
        row += values;
        while (row.size() < width)
            row.append(QString());
        row.append(outcomes);
        appendRow(out, row, columns);
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

} // namespace kelvane::store
