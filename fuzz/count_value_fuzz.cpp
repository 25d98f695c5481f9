// A count read from page text: whatever the text, a count that comes back is plain digits with
// no leading zero, and reading it again gives itself.
#include "fuzz_check.h"
#include "query/value_kinds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(kelvane::fuzz::bytesOf(data, size));
    const std::optional<QString> count =
        kelvane::query::readValue(kelvane::query::ValueKind::Count, text);
    if (!count)
        return 0;
    FUZZ_CHECK(!count->isEmpty() && (*count == u"0" || !count->startsWith(u'0')));
    for (const QChar c : *count)
        FUZZ_CHECK(c >= u'0' && c <= u'9');
    FUZZ_CHECK(kelvane::query::readValue(kelvane::query::ValueKind::Count, *count) == count);
    return 0;
}
