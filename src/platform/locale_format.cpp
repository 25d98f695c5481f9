#include "platform/locale_format.h"

#include <utility>

namespace kelvane::platform {

namespace {

std::optional<QLocale>& fixedLocale() {
    static std::optional<QLocale> locale;
    return locale;
}

} // namespace

QLocale formatLocale() {
    const auto& fixed = fixedLocale();
    return fixed ? *fixed : QLocale::system();
}

QString shortDateText(QDate date) {
    const QLocale locale = formatLocale();
    return locale.toString(date, locale.dateFormat(QLocale::ShortFormat));
}

QString longTimeText(QTime time) {
    const QLocale locale = formatLocale();
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString defaultDateTimeText(const QDateTime& moment) {
    const QTime time = moment.time();
    QString text = shortDateText(moment.date());
    // Midnight is judged to the second: milliseconds do not bring the time back.
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += u' ' + longTimeText(time);
    return text;
}

QString withoutTimeZone(const QString& timeFormat) {
    QString kept;
    kept.reserve(timeFormat.size());
    bool quoted = false;
    bool dropBlank = false;
    for (const QChar c : timeFormat) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            // The zone sits beside a blank ("t HH:mm:ss", "h:mm:ss AP t"): drop that one too.
            while (!kept.isEmpty() && kept.back() == u' ')
                kept.chop(1);
            dropBlank = kept.isEmpty();
            continue;
        }
        if (dropBlank && c == u' ')
            continue;
        dropBlank = false;
        kept += c;
    }
    return kept;
}

ScopedFormatLocale::ScopedFormatLocale(const QLocale& locale)
    : ScopedOverride(fixedLocale(), locale) {}

} // namespace kelvane::platform
