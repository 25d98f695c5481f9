#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QStringView>

// Locale facts that the mail writer reads: the user's language, local time with its UTC
// offset, and conversions into named charsets. Tests fix the locale and the clock through
// ScopedFormatLocale (locale_format.h) and ScopedClockOverride (clock.h).
namespace kelvane::platform {

// The user's locale (language and territory).
QLocale userLocale();
// The current local time, carrying its offset from UTC.
QDateTime localNowWithOffset();

// Text in the named charset (for example "GB2312", "Big5", "ISO-8859-1"). A character that
// the charset cannot hold becomes "?", whatever the converter's own substitute would be.
// Unknown charset names fall back to one byte per character. ISO-2022-JP text always ends
// in ASCII (ESC ( B).
QByteArray toCharset(QStringView text, const char* charsetName);
bool isKnownCharset(const char* charsetName);

} // namespace kelvane::platform
