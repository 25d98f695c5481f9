#include "platform/clock.h"
#include "platform/locale_format.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::StringLiterals;

TEST(LocaleFormat, TimeZoneFieldIsRemoved) {
    struct Case {
        QString format;
        QString expected;
    };
    const Case cases[] = {
        {u"t HH:mm:ss"_s, u"HH:mm:ss"_s},           {u"h:mm:ss AP t"_s, u"h:mm:ss AP"_s},
        {u"HH:mm:ss t"_s, u"HH:mm:ss"_s},           {u"H時mm分ss秒 t"_s, u"H時mm分ss秒"_s},
        {u"HH:mm:ss 'at' t"_s, u"HH:mm:ss 'at'"_s}, {u"HH:mm:ss"_s, u"HH:mm:ss"_s},
        {u"HH 'h' mm"_s, u"HH 'h' mm"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::withoutTimeZone(c.format), c.expected) << c.format.toStdString();
}

TEST(LocaleFormat, DefaultDateTimeTextPerLocale) {
    struct Case {
        QLocale locale;
        QDateTime moment;
        QString text;
    };
    const QDate day(2010, 1, 26);
    const Case cases[] = {
        {QLocale(QLocale::Chinese, QLocale::China), QDateTime(day, QTime(13, 5, 9)),
         u"2010/1/26 13:05:09"_s},
        {QLocale(QLocale::Chinese, QLocale::China), QDateTime(day, QTime(0, 0)), u"2010/1/26"_s},
        {QLocale(QLocale::Chinese, QLocale::China), QDateTime(day, QTime(0, 0, 0, 1)),
         u"2010/1/26"_s},
        {QLocale(QLocale::Chinese, QLocale::China), QDateTime(day, QTime(0, 0, 1)),
         u"2010/1/26 00:00:01"_s},
        {QLocale(QLocale::German, QLocale::Germany), QDateTime(day, QTime(7, 5, 9)),
         u"26.01.10 07:05:09"_s},
        {QLocale(QLocale::English, QLocale::UnitedStates), QDateTime(day, QTime(13, 5, 9)),
         u"1/26/10 1:05:09 PM"_s},
    };
    for (const Case& c : cases) {
        platform::ScopedFormatLocale fixed(c.locale);
        EXPECT_EQ(platform::defaultDateTimeText(c.moment), c.text) << c.locale.name().toStdString();
    }
}

TEST(LocaleFormat, FixedLocaleEndsWithItsScope) {
    const QString system = QLocale::system().name();
    {
        platform::ScopedFormatLocale outer(QLocale(QLocale::German, QLocale::Germany));
        {
            platform::ScopedFormatLocale inner(QLocale(QLocale::Chinese, QLocale::China));
            EXPECT_EQ(platform::formatLocale().name(), u"zh_CN"_s);
        }
        EXPECT_EQ(platform::formatLocale().name(), u"de_DE"_s);
    }
    EXPECT_EQ(platform::formatLocale().name(), system);
}

TEST(Clock, OverrideEndsWithItsScope) {
    const QDateTime fixed(QDate(2010, 1, 26), QTime(0, 0));
    {
        platform::ScopedClockOverride at([&] { return fixed; });
        EXPECT_EQ(platform::localNow(), fixed);
    }
    EXPECT_NE(platform::localNow(), fixed);
    EXPECT_LE(qAbs(platform::localNow().secsTo(QDateTime::currentDateTime())), 5);
}

} // namespace
} // namespace kelvane
