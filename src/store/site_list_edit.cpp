#include "store/site_list_edit.h"

#include "store/text_lines.h"

namespace kelvane::store {

QString RemoveEmptyLines(QStringView text) {
    const QList<LineRange> lines = lineRanges(text);
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].length == 0)
            continue;
        // The line with the break that follows it, up to where the next line starts.
        const qsizetype end = i + 1 < lines.size() ? lines[i + 1].start : text.size();
        kept += text.sliced(lines[i].start, end - lines[i].start);
    }
    return kept;
}

} // namespace kelvane::store
