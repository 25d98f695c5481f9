// History files as they may be found: any mark, any line ends, any bytes. The reader's
// records are the split lines, newest first; a file over the retention is trimmed to its
// newest lines, byte for byte for ANSI, and reads the same afterwards.
#include "fuzz_check.h"
#include "platform/text_file.h"
#include "store/history.h"
#include "store/text_lines.h"

namespace {

void checkFields(QStringView line) {
    const QStringList fields = kelvane::store::SplitHistoryFields(line);
    qsizetype total = 0;
    for (const QString& field : fields) {
        FUZZ_CHECK(!field.isEmpty());
        FUZZ_CHECK(line.contains(field));
        total += field.size();
    }
    FUZZ_CHECK(total <= line.size());
    // Without quotes the fields are the comma-separated pieces, empty ones dropped.
    if (!line.contains(u'"') && !line.contains(u'\''))
        FUZZ_CHECK(fields == line.toString().split(u',', Qt::SkipEmptyParts));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    if (size < 1)
        return 0;
    fuzz::enterScratchDir(QStringLiteral("zenvo/data"));
    // A first byte with the high bit set repeats the lines past the retention, to trim.
    const bool trim = data[0] & 0x80;
    QByteArray bytes = fuzz::bytesOf(data + 1, size - 1);
    // Short lines when trimming, so one run writes kilobytes, not megabytes.
    if (trim)
        bytes.truncate(160);
    const qsizetype lineCount = store::lineRanges(QByteArrayView(bytes)).size();
    if (trim && lineCount > 0 && platform::detectEncoding(bytes) == platform::TextEncoding::Ansi) {
        const QByteArray once = bytes.endsWith('\n') || bytes.endsWith('\r') ? bytes : bytes + "\n";
        bytes = once.repeated(store::kHistoryRetention / lineCount + 2);
    }
    const QString path = QStringLiteral("zenvo/data/fuzz.example.cn.txt");
    platform::writeFileAtomically(path, bytes);

    const QList<QStringList> records = store::ReadHistory(QStringLiteral("fuzz.example.cn"));
    FUZZ_CHECK(records.size() <= store::kHistoryRetention);
    const QStringList lines = store::splitLines(platform::decodeText(bytes));
    FUZZ_CHECK(records.size() == qMin(lines.size(), store::kHistoryRetention));
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QString& line = lines[lines.size() - 1 - i];
        FUZZ_CHECK(records[i] == store::SplitHistoryFields(line));
        checkFields(line);
    }

    const QByteArray after = platform::readFileBytes(path);
    if (lines.size() <= store::kHistoryRetention) {
        FUZZ_CHECK(after == bytes);
    } else {
        if (platform::detectEncoding(bytes) == platform::TextEncoding::Ansi) {
            const QList<store::LineRange> ranges = store::lineRanges(QByteArrayView(bytes));
            QByteArray kept;
            for (qsizetype i = ranges.size() - store::kHistoryRetention; i < ranges.size(); ++i)
                kept += bytes.mid(ranges[i].start, ranges[i].length) + "\r\n";
            FUZZ_CHECK(after == kept);
        }
        FUZZ_CHECK(store::ReadHistory(QStringLiteral("fuzz.example.cn")) == records);
    }
    return 0;
}
