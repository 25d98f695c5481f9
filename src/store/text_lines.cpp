#include "store/text_lines.h"

namespace kelvane::store {

namespace {

template <typename View> QList<LineRange> rangesOf(View text) {
    QList<LineRange> ranges;
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        ranges.append({start, i - start});
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        ranges.append({start, size - start});
    return ranges;
}

} // namespace

QList<LineRange> lineRanges(QStringView text) {
    return rangesOf(text);
}

QList<LineRange> lineRanges(QByteArrayView bytes) {
    return rangesOf(bytes);
}

QStringList splitLines(QStringView text) {
    QStringList lines;
    const QList<LineRange> ranges = lineRanges(text);
    lines.reserve(ranges.size());
    for (const LineRange& range : ranges)
        lines.append(text.sliced(range.start, range.length).toString());
    return lines;
}

QStringView untilNul(QStringView text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString withCrLf(QStringView text) {
    QString result;
    result.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            result += u"\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace kelvane::store
