#include "store/history.h"

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/locale_format.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "store/store_paths.h"
#include "store/text_lines.h"

#include <algorithm>

namespace kelvane::store {

namespace {

constexpr int kEngineColumns = 7;
constexpr int kIndexedRow = 1;
constexpr int kBacklinkRow = 2;

QString oneLine(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

QList<QStringList> recordsNewestFirst(const QStringList& lines) {
    QList<QStringList> records;
    records.reserve(lines.size());
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        records.append(SplitHistoryFields(*line));
    return records;
}

// ANSI files are cut on their bytes: CR and LF bytes never occur inside a code page 936
// character, and the kept records are not re-encoded, so bytes the code page cannot decode
// survive the trim.
QList<QStringList> readAnsiHistory(const QString& path, const QByteArray& bytes) {
    const QList<LineRange> lines = lineRanges(QByteArrayView(bytes));
    qsizetype from = 0;
    if (lines.size() > kHistoryRetention) {
        from = lines[lines.size() - kHistoryRetention].start;
        QByteArray kept;
        kept.reserve(bytes.size() - from + 2 * kHistoryRetention);
        for (qsizetype i = lines.size() - kHistoryRetention; i < lines.size(); ++i) {
            kept.append(QByteArrayView(bytes).sliced(lines[i].start, lines[i].length));
            kept.append("\r\n");
        }
        textfile::writeFileAtomically(path, kept);
    }
    return recordsNewestFirst(splitLines(text::fromAnsi(QByteArrayView(bytes).sliced(from))));
}

// A file with a byte-order mark came from another editor. The trimmed file is ANSI when the
// code page holds every kept character; otherwise it keeps its own encoding, so nothing is
// lost to "?".
QList<QStringList> readMarkedHistory(const QString& path, const QByteArray& bytes,
                                     textfile::TextEncoding encoding) {
    QStringList lines = splitLines(textfile::decodeText(bytes));
    if (lines.size() > kHistoryRetention) {
        lines.remove(0, lines.size() - kHistoryRetention);
        const QString kept = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        QByteArray ansi = text::toAnsi(kept);
        if (text::fromAnsi(ansi) == kept)
            textfile::writeFileAtomically(path, ansi);
        else
            textfile::writeFileAtomically(path, textfile::encodeText(kept, encoding, true));
    }
    return recordsNewestFirst(lines);
}

} // namespace

QString HistoryRecordLine(const SiteQueryView& view, const QString& pageRankText,
                          const QString& stamp) {
    QString line;
    for (int column = 1; column <= kEngineColumns; ++column) {
        line += view.StringGDCell(column, kIndexedRow);
        line += u'/';
        line += view.StringGDCell(column, kBacklinkRow);
        line += u',';
    }
    line += pageRankText;
    line += u',';
    line += QString::number(view.SouGouRankGPosition());
    line += u',';
    line += view.labelText(SiteLabel::lblAlexaRank);
    line += u',';
    line += view.labelText(SiteLabel::lblChinaRank);
    line += u',';
    line += stamp;
    // Only a run with a failure gets the thirteenth field, so clean records stay as they were.
    const QString outcomes = view.outcomes().historyField();
    if (!outcomes.isEmpty()) {
        line += u',';
        line += outcomes;
    }
    return oneLine(std::move(line));
}

void SaveToFile(const SiteQueryView& view, const QString& pageRankText) {
    const QString domain = view.txtUrlText();
    if (!isHistoryFileName(domain))
        return;
    const QString path = historyFilePath(domain);
    const QString line = HistoryRecordLine(view, pageRankText, defaultDateTimeText(localNow()));
    textfile::createEmptyFileIfMissing(path);
    try {
        textfile::appendLine(path, line);
    } catch (const EFileError&) {
        // The record is lost; the query's result stays on screen.
    }
}

QStringList SplitHistoryFields(QStringView line) {
    QStringList fields;
    const qsizetype size = line.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const QChar c = line[i];
        if (c == u',') {
            if (i > start)
                fields.append(line.sliced(start, i - start).toString());
            start = ++i;
        } else if (c == u'"' || c == u'\'') {
            const qsizetype close = line.indexOf(c, i + 1);
            i = close < 0 ? size : close + 1;
        } else {
            ++i;
        }
    }
    if (size > start)
        fields.append(line.sliced(start).toString());
    return fields;
}

QList<QStringList> ReadHistory(const QString& domain) {
    if (!isHistoryFileName(domain))
        throw EFileError(QStringLiteral("Not a history file name: \"%1\"").arg(domain));
    const QString path = historyFilePath(domain);
    const QByteArray bytes = textfile::readFileBytes(path);
    const textfile::TextEncoding encoding = textfile::detectEncoding(bytes);
    if (encoding == textfile::TextEncoding::Ansi)
        return readAnsiHistory(path, bytes);
    return readMarkedHistory(path, bytes, encoding);
}

} // namespace kelvane::store
