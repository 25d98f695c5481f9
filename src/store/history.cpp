#include "store/history.h"

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/locale_format.h"
#include "platform/locked_file.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "store/store_paths.h"
#include "store/text_lines.h"

#include <algorithm>
#include <deque>

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

// Older files may hold records from before values were bounded; a line is shown up to this
// many bytes, so 1000 of them never cost more than a few megabytes to read.
constexpr qint64 kShownLineBytes = 8192;
constexpr qint64 kChunkBytes = 1 << 20;

QString bounded(const QString& value) {
    if (value.size() <= kHistoryValueLength)
        return value;
    qsizetype cut = kHistoryValueLength;
    if (value[cut - 1].isHighSurrogate())
        --cut;
    return value.left(cut);
}

QList<QStringList> recordsNewestFirst(const QStringList& lines) {
    QList<QStringList> records;
    records.reserve(lines.size());
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        records.append(SplitHistoryFields(*line));
    return records;
}

struct FileLine {
    qint64 start = 0;
    qint64 length = 0;
};

// The lines of a file, fed in chunks: how many there are and where the newest
// kHistoryRetention lie. Line breaks as in text_lines: CR, LF or CR LF.
class NewestLines {
public:
    void feed(QByteArrayView chunk, qint64 offset) {
        for (qsizetype i = 0; i < chunk.size(); ++i) {
            const char c = chunk[i];
            const qint64 at = offset + i;
            if (c == '\n' && afterCr_) {
                start_ = at + 1;
            } else if (c == '\r' || c == '\n') {
                add({start_, at - start_});
                start_ = at + 1;
            }
            afterCr_ = c == '\r';
        }
    }
    void finish(qint64 size) {
        if (start_ < size)
            add({start_, size - start_});
    }
    qint64 total() const { return total_; }
    const std::deque<FileLine>& newest() const { return newest_; }

private:
    void add(FileLine range) {
        ++total_;
        newest_.push_back(range);
        if (static_cast<qsizetype>(newest_.size()) > kHistoryRetention)
            newest_.pop_front();
    }

    qint64 start_ = 0;
    bool afterCr_ = false;
    qint64 total_ = 0;
    std::deque<FileLine> newest_;
};

// The kept lines, each ended by CR LF, streamed from `from` to the end of the file: a trim
// of a huge file holds one chunk at a time.
void writeKeptLines(const platform::LockedFile& file, qint64 from, qint64 size,
                    const platform::LockedFile::Writer& write) {
    bool afterCr = false;
    char last = '\n';
    QByteArray out;
    for (qint64 offset = from; offset < size; offset += kChunkBytes) {
        const QByteArray chunk = file.readAt(offset, qMin(kChunkBytes, size - offset));
        if (chunk.isEmpty())
            break;
        out.clear();
        out.reserve(chunk.size() + chunk.size() / 8);
        for (const char c : chunk) {
            if (c == '\r' || (c == '\n' && !afterCr))
                out.append("\r\n");
            else if (c != '\n')
                out.append(c);
            afterCr = c == '\r';
        }
        last = chunk.back();
        write(out);
    }
    if (last != '\r' && last != '\n')
        write("\r\n");
}

// ANSI files are read and cut on their bytes: CR and LF bytes never occur inside a code page
// 936 character, and the kept records are not re-encoded, so bytes the code page cannot
// decode survive the trim.
QList<QStringList> readAnsiHistory(platform::LockedFile& file, qint64 size) {
    NewestLines lines;
    for (qint64 offset = 0; offset < size; offset += kChunkBytes) {
        const QByteArray chunk = file.readAt(offset, qMin(kChunkBytes, size - offset));
        if (chunk.isEmpty())
            break;
        lines.feed(chunk, offset);
    }
    lines.finish(size);
    QList<QStringList> records;
    records.reserve(static_cast<qsizetype>(lines.newest().size()));
    for (auto line = lines.newest().crbegin(); line != lines.newest().crend(); ++line) {
        const QByteArray bytes = file.readAt(line->start, qMin(line->length, kShownLineBytes));
        records.append(SplitHistoryFields(platform::fromAnsi(bytes)));
    }
    if (lines.total() > kHistoryRetention) {
        const qint64 from = lines.newest().front().start;
        file.replace([&](const platform::LockedFile::Writer& write) {
            writeKeptLines(file, from, size, write);
        });
    }
    return records;
}

// A file with a byte-order mark came from another editor. The trimmed file is ANSI when the
// code page holds every kept character; otherwise it keeps its own encoding, so nothing is
// lost to "?".
QList<QStringList> readMarkedHistory(platform::LockedFile& file, const QByteArray& bytes,
                                     platform::TextEncoding encoding) {
    QStringList lines = splitLines(platform::decodeText(bytes));
    if (lines.size() > kHistoryRetention) {
        lines.remove(0, lines.size() - kHistoryRetention);
        const QString kept = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        QByteArray ansi = platform::toAnsi(kept);
        const QByteArray trimmed = platform::fromAnsi(ansi) == kept
                                       ? std::move(ansi)
                                       : platform::encodeText(kept, encoding, true);
        file.replace([&](const platform::LockedFile::Writer& write) { write(trimmed); });
    }
    return recordsNewestFirst(lines);
}

} // namespace

QStringList HistoryRecordFields(const query::SiteQueryView& view, const QString& pageRankText,
                                const QString& stamp) {
    QStringList fields;
    for (int column = 1; column <= kEngineColumns; ++column) {
        fields << oneLine(bounded(view.StringGDCell(column, kIndexedRow)) + u'/' +
                          bounded(view.StringGDCell(column, kBacklinkRow)));
    }
    fields << oneLine(bounded(pageRankText)) << QString::number(view.SouGouRankGPosition())
           << oneLine(bounded(view.labelText(query::SiteLabel::lblAlexaRank)))
           << oneLine(bounded(view.labelText(query::SiteLabel::lblChinaRank))) << oneLine(stamp);
    // Only a run with a failure gets the thirteenth field, so clean records stay as they were.
    const QString outcomes = view.outcomes().historyField();
    if (!outcomes.isEmpty())
        fields << oneLine(outcomes);
    return fields;
}

QString HistoryRecordLine(const query::SiteQueryView& view, const QString& pageRankText,
                          const QString& stamp) {
    return HistoryRecordFields(view, pageRankText, stamp).join(u',');
}

QStringList SaveToFile(const query::SiteQueryView& view, const QString& pageRankText) {
    const QStringList fields = HistoryRecordFields(
        view, pageRankText, platform::defaultDateTimeText(platform::localNow()));
    const QString domain = view.txtUrlText();
    if (!isHistoryFileName(domain))
        return fields;
    const QString path = historyFilePath(domain);
    platform::createEmptyFileIfMissing(path);
    platform::appendLine(path, fields.join(u','));
    return fields;
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
        throw platform::EFileError(QStringLiteral("Not a history file name: \"%1\"").arg(domain));
    platform::LockedFile file(historyFilePath(domain), platform::LockedFile::Open::ToRead);
    const qint64 size = file.size();
    const platform::TextEncoding encoding = platform::detectEncoding(file.readAt(0, 3));
    if (encoding == platform::TextEncoding::Ansi)
        return readAnsiHistory(file, size);
    return readMarkedHistory(file, file.readAt(0, size), encoding);
}

} // namespace kelvane::store
