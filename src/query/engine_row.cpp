#include "query/engine_row.h"

#include <QString>

namespace kelvane::query {

QStringList textsOf(const std::vector<const char16_t*>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const char16_t* text : texts)
        list << QString::fromUtf16(text);
    return list;
}

} // namespace kelvane::query
