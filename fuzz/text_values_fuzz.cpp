// ParseInteger and TrimSpacesAndControls over page text, against plain references: the
// integer is exactly what a digit-by-digit reading in 64 bits gives, and the trim is the
// one substring with no blank or control character at either end.
#include "fuzz_check.h"
#include "query/text_values.h"

#include <limits>
#include <optional>

namespace {

std::optional<int> referenceInteger(const QString& text) {
    qsizetype at = 0;
    while (at < text.size() && text[at] == u' ')
        ++at;
    QString rest = text.mid(at);
    bool negative = false;
    if (rest.startsWith(u'-') || rest.startsWith(u'+')) {
        negative = rest.front() == u'-';
        rest.remove(0, 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    long long value = 0;
    for (const QChar c : rest) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        // Saturates far above any int, so leading zeros and long numbers both stay exact.
        value = qMin(value * 10 + (c.unicode() - u'0'), 100'000'000'000LL);
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));

    const std::optional<int> parsed = query::ParseInteger(text);
    FUZZ_CHECK(parsed == referenceInteger(text));
    if (parsed)
        FUZZ_CHECK(query::ParseInteger(QString::number(*parsed)) == parsed);

    const QString trimmed = query::TrimSpacesAndControls(text);
    FUZZ_CHECK(text.contains(trimmed));
    FUZZ_CHECK(trimmed.isEmpty() ||
               (trimmed.front().unicode() > 0x20 && trimmed.back().unicode() > 0x20));
    FUZZ_CHECK(query::TrimSpacesAndControls(trimmed) == trimmed);
    qsizetype lead = 0;
    while (lead < text.size() && text[lead].unicode() <= 0x20)
        ++lead;
    FUZZ_CHECK(trimmed.isEmpty() ? lead == text.size() : text.mid(lead).startsWith(trimmed));
    return 0;
}
