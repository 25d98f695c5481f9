#include "platform/errors.h"
#include "platform/regexp.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

struct MatchCase {
    const char* name;
    const char16_t* pattern;
    const char16_t* text;
    bool global;
    bool multiline;
    bool ignoreCase;
    // The values of the matches, in order, joined by "|"; empty text: no match.
    const char16_t* expected;
};

class RegExpRules : public testing::TestWithParam<MatchCase> {};

TEST_P(RegExpRules, FindsExactlyTheExpectedMatches) {
    const MatchCase& c = GetParam();
    platform::TRegExp re;
    re.setPattern(QString::fromUtf16(c.pattern));
    re.setGlobal(c.global);
    re.setMultiline(c.multiline);
    re.setIgnoreCase(c.ignoreCase);
    QStringList values;
    for (const platform::RegExpMatch& m : re.Execute(QString::fromUtf16(c.text)))
        values << m.value;
    EXPECT_EQ(values.join(u'|').toStdString(), QString::fromUtf16(c.expected).toStdString());
}

const MatchCase kCases[] = {
    {"leftmost_wins", u"b+|ab", u"xabbb", false, false, false, u"ab"},
    {"lazy_across_lines", u"找到相关网页((.|\\n)*?)篇", u"找到相关网页\r\n约\r\n12篇 x 篇", false,
     false, false, u"找到相关网页\r\n约\r\n12篇"},
    {"first_of_two", u"a(.)b", u"a1b a2b", false, false, false, u"a1b"},
    {"dot_skips_lf", u"a.b", u"a\nb", false, false, false, u""},
    {"dot_takes_cr", u"a.b", u"a\rb", false, false, false, u"a\rb"},
    {"dollar_not_before_final_lf", u"c$", u"abc\n", false, false, false, u""},
    {"dollar_at_end", u"c$", u"abc", false, false, false, u"c"},
    {"caret_only_at_start", u"^b", u"a\nb", false, false, false, u""},
    {"multiline_caret", u"^b", u"a\nb", false, true, false, u"b"},
    {"multiline_dollar", u"a$", u"a\nb", false, true, false, u"a"},
    {"word_is_ascii", u"\\w+", u"中文abc_1", false, false, false, u"abc_1"},
    {"word_not_accented", u"^\\w+$", u"é", false, false, false, u""},
    {"global_all_no_overlap", u"aa", u"aaaaa", true, false, false, u"aa|aa"},
    {"global_empty_matches", u"x*", u"ab", true, false, false, u"||"},
    {"global_empty_after_chinese", u"中*", u"a中", true, false, false, u"|中|"},
    {"case_sensitive_default", u"abc", u"ABC", false, false, false, u""},
    {"ignore_case", u"abc", u"xABC", false, false, true, u"ABC"},
    {"literal_punctuation", u"<b>：\"=/，</b>", u"x<b>：\"=/，</b>", false, false, false,
     u"<b>：\"=/，</b>"},
    {"class_of_ranges", u"[A-Za-z0-9]+", u"--aZ9--", false, false, false, u"aZ9"},
    {"escaped_dot", u"a\\.b", u"axb a.b", false, false, false, u"a.b"},
    {"lf_escape", u"a\\nb", u"a\nb", false, false, false, u"a\nb"},
};

INSTANTIATE_TEST_SUITE_P(Vbscript, RegExpRules, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<MatchCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(RegExp, ReportsPositionsInUtf16Units) {
    platform::TRegExp re;
    re.setPattern(QStringLiteral("b+"));
    re.setGlobal(true);
    // The astral character takes two units before the matches.
    const QList<platform::RegExpMatch> found = re.Execute(u"\U0001F600中bb-b");
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].firstIndex, 3);
    EXPECT_EQ(found[0].length, 2);
    EXPECT_EQ(found[1].firstIndex, 6);
    EXPECT_EQ(found[1].value, QStringLiteral("b"));
}

TEST(RegExp, LoneSurrogatesKeepPositionsAligned) {
    platform::TRegExp re;
    re.setPattern(QStringLiteral("b"));
    QString text = QStringLiteral("a_b");
    text[1] = QChar(0xD800);
    const QList<platform::RegExpMatch> found = re.Execute(text);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].firstIndex, 2);
    EXPECT_EQ(found[0].value, QStringLiteral("b"));
}

TEST(RegExp, RejectedPatternIsAnErrorNotACrash) {
    for (const char16_t* pattern : {u"(a", u"(\\w)\\1", u"(?=a)", u"\\u4e2d", u"a{2,1}"}) {
        platform::TRegExp re;
        re.setPattern(QString::fromUtf16(pattern));
        EXPECT_THROW(re.Execute(u"aa"), platform::EMatcherError)
            << QString::fromUtf16(pattern).toStdString();
    }
}

TEST(RegExp, ChangingAFlagRecompiles) {
    platform::TRegExp re;
    re.setPattern(QStringLiteral("abc"));
    EXPECT_TRUE(re.Execute(u"ABC").isEmpty());
    re.setIgnoreCase(true);
    EXPECT_EQ(re.Execute(u"ABC").size(), 1);
}

TEST(RegExp, LazySpanOverAMegabyteStillMatches) {
    QString page = QStringLiteral("找到相关网页");
    page += QString(1 << 20, u'x');
    page += QStringLiteral("\n12篇");
    platform::TRegExp re;
    re.setPattern(QStringLiteral("找到相关网页((.|\\n)*?)篇"));
    const QList<platform::RegExpMatch> found = re.Execute(page);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].length, page.size());
}

} // namespace
} // namespace kelvane

namespace kelvane {
namespace {

// A page held as UTF-8 matches exactly as its text does: values and UTF-16 places.
TEST(RegExpPageText, SameMatchesAsTheText) {
    const struct {
        const char* pattern;
        QString text;
    } cases[] = {
        {"找到相关网页((.|\\n)*?)篇",
         QStringLiteral("前言 找到相关网页约12,300篇 找到相关网页1篇")},
        {"a*", QStringLiteral("baaac")},
        {"x(.)y", QStringLiteral("\U0001F600x\U0001F600y xzy")},
        {"^$", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        for (const bool global : {false, true}) {
            platform::TRegExp fromText;
            fromText.setPattern(QString::fromUtf8(c.pattern));
            fromText.setGlobal(global);
            platform::TRegExp fromPage;
            fromPage.setPattern(QString::fromUtf8(c.pattern));
            fromPage.setGlobal(global);
            const QList<platform::RegExpMatch> expected = fromText.Execute(c.text);
            const QList<platform::RegExpMatch> got = fromPage.Execute(platform::PageText(c.text));
            ASSERT_EQ(got.size(), expected.size());
            for (qsizetype i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].value, expected[i].value);
                EXPECT_EQ(got[i].firstIndex, expected[i].firstIndex);
                EXPECT_EQ(got[i].length, expected[i].length);
            }
        }
    }
}

} // namespace
} // namespace kelvane
