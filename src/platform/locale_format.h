#pragma once

#include "platform/scoped_override.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>
#include <optional>

namespace kelvane::platform {

// The user's locale for dates and times: QLocale::system(), unless a test has fixed one.
QLocale formatLocale();

// The locale's short date format ("yyyy/M/d" for zh_CN).
QString shortDateText(QDate date);
// The locale's long time format without its time-zone name: the target desktop's long
// time carries none ("HH:mm:ss" for zh_CN).
QString longTimeText(QTime time);
// The desktop's default date-time text: the short date, then a blank and the long time
// unless the time of day is exactly midnight to the second.
QString defaultDateTimeText(const QDateTime& moment);

// A long time format with every time-zone field removed, quoted literals kept.
QString withoutTimeZone(const QString& timeFormat);

// Fixes formatLocale() for its lifetime; the previous choice returns when it ends.
class ScopedFormatLocale : public ScopedOverride<std::optional<QLocale>> {
public:
    explicit ScopedFormatLocale(const QLocale& locale);
};

} // namespace kelvane::platform
