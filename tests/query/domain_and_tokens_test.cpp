#include "query/domain_validation.h"
#include "query/strip_tokens.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(IsValidDomain, AcceptsAndRefusesTheKnownExamples) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"ab.example", true},
        {"AB.EXAMPLE", true},
        {"ab.x", true},
        {"www.a.example", true},
        {"ab-c.example", true},
        {"a_b.example", true},
        {"a.example", false},
        {"a-b.example", false},
        {"a--b.example", false},
        {"192.0.2.1", false},
        {"localhost", false},
        {"ab.example.", false},
        {"-ab.example", false},
        {"ab.example/x", false},
        {"ab.example:80", false},
        {"  ab.example", false},
        {"", false},
        {"ab.example\n", false},
        {"中文.example", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(query::IsValidDomain(QString::fromUtf8(c.text)), c.valid) << c.text;
}

TEST(StripTokens, CutsEachTokenInOnePassAndInListOrder) {
    const struct {
        const char16_t* text;
        QStringList tokens;
        const char16_t* expected;
    } cases[] = {
        {u"aabb", {QStringLiteral("ab")}, u"ab"},
        {u"找到相关网页约12,300篇",
         {QStringLiteral("找到相关网页"), QStringLiteral("约"), QStringLiteral("篇"),
          QStringLiteral(",")},
         u"12300"},
        {u"找到相关网页篇", {QStringLiteral("找到相关网页"), QStringLiteral("篇")}, u""},
        {u"AbAB", {QStringLiteral("ab")}, u"AbAB"},
        // Order matters: removing "b" first brings "ac" together for the next token.
        {u"abc", {QStringLiteral("b"), QStringLiteral("ac")}, u""},
        {u"abc", {QStringLiteral("ac"), QStringLiteral("b")}, u"ac"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(query::StripTokens(QString::fromUtf16(c.text), c.tokens),
                  QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.text).toStdString();
    }
}

} // namespace
} // namespace kelvane
