// What a count must look like before it is shown or stored, read from the texts today's
// engines write around their numbers.
#include "query/value_kinds.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(ValueKinds, CountsAreDigitsWithTheirSeparatorsAndUnitsReadOut) {
    const struct {
        const char16_t* text;
        const char* count; // null: not a count
    } cases[] = {
        {u"2848", "2848"},
        {u"2,848", "2848"},
        {u"72,900,000", "72900000"},
        {u"449.000.000", "449000000"},
        {u" 30,691 ", "30691"},
        {u"0", "0"},
        {u"007", "7"},
        {u"1亿2345万", "123450000"},
        {u"1.2万", "12000"},
        {u"3,400万", "34000000"},
        {u"2亿", "200000000"},
        {u"1.23456789亿", "123456789"},
        {u"", nullptr},
        {u"约", nullptr},
        {u"<bstyle=\"color:#333\">2848</b>", nullptr},
        {u"1.5", nullptr},
        {u"12,34", nullptr},
        {u"1,234.567", nullptr},
        {u"-5", nullptr},
        {u"万", nullptr},
        {u"5万abc", nullptr},
        {u"99999999999999999999", nullptr},
        {u"999999999999亿", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QString> read =
            query::readValue(query::ValueKind::Count, QString::fromUtf16(c.text));
        if (c.count)
            EXPECT_EQ(read, QString::fromLatin1(c.count))
                << QString::fromUtf16(c.text).toStdString();
        else
            EXPECT_EQ(read, std::nullopt) << QString::fromUtf16(c.text).toStdString();
    }
    EXPECT_EQ(query::readValue(query::ValueKind::Text, QStringLiteral("<b>x")),
              QStringLiteral("<b>x"));
}

TEST(ValueKinds, NamesRoundTrip) {
    for (const query::ValueKind kind : {query::ValueKind::Text, query::ValueKind::Count})
        EXPECT_EQ(query::valueKindFromName(query::valueKindName(kind)), kind);
    EXPECT_EQ(query::valueKindFromName(u"Count"), std::nullopt);
}

} // namespace
} // namespace kelvane
