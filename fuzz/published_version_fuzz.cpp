// The published version number: read the same under a locale with a decimal comma as under
// one with a decimal point once the two marks trade places, always finite, and never both
// newer and not newer than the built-in version.
#include "fuzz_check.h"
#include "platform/locale_format.h"
#include "update/update_check.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    std::optional<double> withPoint;
    bool newer = false;
    {
        const platform::ScopedFormatLocale locale(QLocale::c());
        withPoint = update::ParsePublishedVersion(text);
        newer = update::IsNewer(text);
    }
    FUZZ_CHECK(newer == (withPoint && update::kBuiltInVersion < *withPoint));
    if (withPoint) {
        FUZZ_CHECK(std::isfinite(*withPoint));
        // Nothing but the number's own characters and spaces is ever read as a number.
        for (const QChar c : text)
            FUZZ_CHECK(QStringLiteral(" +-.eE0123456789").contains(c));
    }

    QString swapped = text;
    for (QChar& c : swapped) {
        if (c == u'.')
            c = u',';
        else if (c == u',')
            c = u'.';
    }
    const platform::ScopedFormatLocale locale(QLocale(QLocale::German, QLocale::Germany));
    const std::optional<double> withComma = update::ParsePublishedVersion(swapped);
    FUZZ_CHECK(withComma == withPoint);
    return 0;
}
