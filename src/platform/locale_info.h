#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QStringView>
#include <functional>
#include <optional>

// Locale facts that the mail writer reads: the user's language, local time with its UTC
// offset, and conversions into named charsets. Tests replace the locale and the clock.
namespace kelvane::locale {

// The user's locale (language and territory); QLocale::system() unless overridden.
QLocale userLocale();
// The current local time, carrying its offset from UTC; the system clock unless overridden.
QDateTime localNow();

// Text in the named charset (for example "GB2312", "Big5", "ISO-8859-1"). A character that
// the charset cannot hold becomes "?", whatever the converter's own substitute would be.
// Unknown charset names fall back to one byte per character.
QByteArray toCharset(QStringView text, const char* charsetName);
bool isKnownCharset(const char* charsetName);

// Replaces the locale and/or clock for the life of the object (tests; one thread only).
class ScopedOverride {
public:
    explicit ScopedOverride(std::optional<QLocale> locale,
                            std::function<QDateTime()> clock = nullptr);
    ~ScopedOverride();
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    std::optional<QLocale> previousLocale_;
    std::function<QDateTime()> previousClock_;
};

} // namespace kelvane::locale
