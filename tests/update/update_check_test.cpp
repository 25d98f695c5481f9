#include "platform/locale_format.h"
#include "update/update_check.h"

#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace kelvane::update {
namespace {

struct VersionCase {
    const char* published;
    std::optional<double> value;
    bool newer;
};

void expectCases(const VersionCase* begin, const VersionCase* end) {
    for (const VersionCase* c = begin; c != end; ++c) {
        const QString text = QString::fromUtf8(c->published);
        EXPECT_EQ(ParsePublishedVersion(text), c->value) << c->published;
        EXPECT_EQ(IsNewer(text), c->newer) << c->published;
    }
}

TEST(PublishedVersion, ReadAndComparedUnderADecimalPoint) {
    const platform::ScopedFormatLocale locale(QLocale(QLocale::Chinese, QLocale::China));
    const VersionCase cases[] = {
        {"1.8", 1.8, false},
        {"1.81", 1.81, true},
        {"2", 2.0, true},
        {"1.79", 1.79, false},
        {" 1.9 ", 1.9, true},
        {"+1.9", 1.9, true},
        {"-2", -2.0, false},
        {".5e1", 5.0, true},
        {"1.", 1.0, false},
        {"18E-1", 1.8, false},
        // The same double as 1.8 is no update; the next one up is.
        {"1.8000000000000001", 1.8, false},
        {"1.8000000000000003", 1.8000000000000003, true},
        {"1.9\r\n", std::nullopt, false},
        {"1.9\n", std::nullopt, false},
        {"\t1.9", std::nullopt, false},
        {"1,9", std::nullopt, false},
        {"1,000.5", std::nullopt, false},
        {"<b>1.9</b>", std::nullopt, false},
        {"v1.9", std::nullopt, false},
        {"1.9.1", std::nullopt, false},
        {"0x1p1", std::nullopt, false},
        {"1e999", std::nullopt, false},
        {"inf", std::nullopt, false},
        {"\xef\xbc\x92", std::nullopt, false}, // a full-width digit
        {"1\xee\x80\x80"
         "9",
         std::nullopt, false},
        {"", std::nullopt, false},
        {"   ", std::nullopt, false},
    };
    expectCases(std::begin(cases), std::end(cases));
}

TEST(PublishedVersion, ReadWithTheLocalesDecimalComma) {
    const platform::ScopedFormatLocale locale(QLocale(QLocale::German, QLocale::Germany));
    const VersionCase cases[] = {
        {"1,9", 1.9, true},
        {"1,8", 1.8, false},
        {" 2 ", 2.0, true},
        {"1.9", std::nullopt, false},
        {"1.000,5", std::nullopt, false},
    };
    expectCases(std::begin(cases), std::end(cases));
}

// The C library's own LC_NUMERIC (a German one here, built for the test) must not change the
// reading: only the user's locale says which mark separates the decimals.
TEST(PublishedVersion, IndependentOfTheCLibrarysNumericLocale) {
    QTemporaryDir locales;
    ASSERT_TRUE(locales.isValid());
    QProcess build;
    build.start(QStringLiteral("localedef"),
                {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                 QStringLiteral("UTF-8"), locales.filePath(QStringLiteral("de_DE.UTF-8"))});
    if (!build.waitForFinished(30000) || build.exitStatus() != QProcess::NormalExit ||
        build.exitCode() != 0)
        GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
    const QByteArray previousPath = qgetenv("LOCPATH");
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    const char* numeric = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!numeric || std::localeconv()->decimal_point != std::string(",")) {
        std::setlocale(LC_NUMERIC, "C");
        GTEST_SKIP() << "the C library did not take the built locale";
    }
    {
        const platform::ScopedFormatLocale german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(ParsePublishedVersion(QStringLiteral("1,9")), 1.9);
        EXPECT_TRUE(IsNewer(QStringLiteral("1,9")));
    }
    {
        const platform::ScopedFormatLocale chinese(QLocale(QLocale::Chinese, QLocale::China));
        EXPECT_EQ(ParsePublishedVersion(QStringLiteral("1.9")), 1.9);
        EXPECT_FALSE(IsNewer(QStringLiteral("1,9")));
    }
    std::setlocale(LC_NUMERIC, "C");
    if (previousPath.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", previousPath);
}

} // namespace
} // namespace kelvane::update
