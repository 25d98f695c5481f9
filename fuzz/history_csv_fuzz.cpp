// Records carrying page text, exported for a spreadsheet. Read back by a plain RFC 4180
// reader, every row holds the row number and the fields as they were, except that a field
// that would start a formula carries one leading "'"; no cell starts a formula.
#include "fuzz_check.h"
#include "store/history_csv.h"

namespace {

bool startsFormula(const QString& cell) {
    return !cell.isEmpty() && QStringView(u"=+-@\t\r").contains(cell.front());
}

// RFC 4180 as a spreadsheet reads it: rows end at CR LF outside quotes.
QList<QStringList> readCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                cell += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"') {
            FUZZ_CHECK(cell.isEmpty());
            quoted = true;
        } else if (c == u',') {
            row.append(cell);
            cell.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row.append(cell);
            cell.clear();
            rows.append(row);
            row.clear();
            ++i;
        } else {
            FUZZ_CHECK(c != u'\r' && c != u'\n');
            cell += c;
        }
    }
    FUZZ_CHECK(!quoted && cell.isEmpty() && row.isEmpty());
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    // Records at 0x1E, fields at 0x1F.
    QList<QStringList> records;
    for (const QByteArray& record : fuzz::bytesOf(data, size).split('\x1e')) {
        QStringList fields;
        for (const QByteArray& field : record.split('\x1f'))
            fields.append(QString::fromUtf8(field));
        records.append(fields);
    }
    const QByteArray csv = store::HistoryCsv(records);
    FUZZ_CHECK(csv.startsWith("\xEF\xBB\xBF"));
    const QList<QStringList> rows = readCsv(QString::fromUtf8(csv.sliced(3)));
    FUZZ_CHECK(rows.size() == records.size() + 1);
    for (qsizetype k = 0; k < records.size(); ++k) {
        const QStringList& row = rows[k + 1];
        FUZZ_CHECK(row.size() >= records[k].size() + 1);
        FUZZ_CHECK(row[0] == QString::number(k + 1));
        for (qsizetype j = 0; j < row.size(); ++j)
            FUZZ_CHECK(!startsFormula(row[j]));
        for (qsizetype j = 0; j < records[k].size(); ++j) {
            const QString& field = records[k][j];
            FUZZ_CHECK(row[j + 1] == (startsFormula(field) ? u'\'' + field : field));
        }
    }
    return 0;
}
