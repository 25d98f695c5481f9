#include "store/site_list_edit.h"

#include <gtest/gtest.h>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

TEST(SiteListEdit, RemovesLinesOfLengthZeroOnly) {
    const struct {
        const char* name;
        QString text;
        QString cleaned;
    } cases[] = {
        {"two empty lines between two domains", u"a.example\r\n\r\n\r\nb.example"_s,
         u"a.example\r\nb.example"_s},
        {"final break kept", u"a.example\r\nb.example\r\n"_s, u"a.example\r\nb.example\r\n"_s},
        {"no final break", u"a.example\r\nb.example"_s, u"a.example\r\nb.example"_s},
        {"empty lines at the end, final break kept", u"a.example\r\n\r\n\r\n"_s,
         u"a.example\r\n"_s},
        {"empty lines at the start", u"\r\n\r\na.example"_s, u"a.example"_s},
        {"empty text", u""_s, u""_s},
        {"only breaks", u"\r\n\n\r"_s, u""_s},
        {"a line of blanks stays", u"a\r\n  \r\n\r\nb"_s, u"a\r\n  \r\nb"_s},
        {"trailing blank kept", u"a.example \r\n"_s, u"a.example \r\n"_s},
        {"LF and CR breaks stay as they are", u"a\n\nb\r\rc"_s, u"a\nb\rc"_s},
        {"Chinese entries", u"中文.example\r\n\r\n例子.example"_s,
         u"中文.example\r\n例子.example"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemoveEmptyLines(c.text), c.cleaned) << c.name;
}

} // namespace
} // namespace kelvane::store
