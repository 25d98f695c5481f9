#include "net/mail_address.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

struct AddressCase {
    QString text;
    QString address;
    QString name;
};

TEST(MailAddress, ParsesTheUsualForms) {
    const AddressCase cases[] = {
        {u"user@example.com"_qs, u"user@example.com"_qs, {}},
        {u"  user@example.com\t"_qs, u"user@example.com"_qs, {}},
        {u"localonly"_qs, u"localonly"_qs, {}},
        {u"Zhang San <zs@example.cn>"_qs, u"zs@example.cn"_qs, u"Zhang San"_qs},
        {u"<zs@example.cn>"_qs, u"zs@example.cn"_qs, {}},
        {u"\"San, Zhang\" <zs@example.cn>"_qs, u"zs@example.cn"_qs, u"San, Zhang"_qs},
        {u"\"a \\\"quoted\\\" \\\\ name\" <q@example.cn>"_qs, u"q@example.cn"_qs,
         u"a \"quoted\" \\ name"_qs},
        {u"\"<not the address>\" <real@example.cn>"_qs, u"real@example.cn"_qs,
         u"<not the address>"_qs},
        {u"张三 <zs@example.cn>"_qs, u"zs@example.cn"_qs, u"张三"_qs},
        {u"zs@example.cn (Zhang San)"_qs, u"zs@example.cn"_qs, u"Zhang San"_qs},
        {u"zs@example.cn (Zhang (the) San)"_qs, u"zs@example.cn"_qs, u"Zhang (the) San"_qs},
        {u"Zhang zs@example.cn"_qs, u"zs@example.cn"_qs, u"Zhang"_qs},
        {u"Unclosed <zs@example.cn"_qs, u"zs@example.cn"_qs, u"Unclosed"_qs},
    };
    for (const AddressCase& c : cases) {
        const net::TIdEMailAddressItem item = net::TIdEMailAddressItem::fromText(c.text);
        EXPECT_EQ(item.Address, c.address) << c.text.toStdString();
        EXPECT_EQ(item.Name, c.name) << c.text.toStdString();
    }
}

TEST(MailAddress, SettingTextReplacesBothFields) {
    net::TIdEMailAddressItem item = net::TIdEMailAddressItem::fromText(u"Old <old@example.cn>");
    item.setText(u"new@example.cn");
    EXPECT_EQ(item, (net::TIdEMailAddressItem{u"new@example.cn"_qs, {}}));
}

struct ListCase {
    QString text;
    QStringList addresses;
};

TEST(MailAddress, SplitsListsOutsideQuotesAndComments) {
    const ListCase cases[] = {
        {{}, {}},
        {u"   \t "_qs, {}},
        {u"a@x.cn"_qs, {u"a@x.cn"_qs}},
        {u"a@x.cn;b@y.cn"_qs, {u"a@x.cn"_qs, u"b@y.cn"_qs}},
        {u"a@x.cn, b@y.cn ;c@z.cn"_qs, {u"a@x.cn"_qs, u"b@y.cn"_qs, u"c@z.cn"_qs}},
        {u"\"Doe, J; r\" <j@x.cn>, k@y.cn"_qs, {u"j@x.cn"_qs, u"k@y.cn"_qs}},
        {u"j@x.cn (Doe, J; r), k@y.cn"_qs, {u"j@x.cn"_qs, u"k@y.cn"_qs}},
        {u"a@x.cn;;b@y.cn;"_qs, {u"a@x.cn"_qs, u"b@y.cn"_qs}},
    };
    for (const ListCase& c : cases) {
        QStringList got;
        for (const net::TIdEMailAddressItem& item : net::parseAddressList(c.text))
            got.append(item.Address);
        EXPECT_EQ(got, c.addresses) << '"' << c.text.toStdString() << '"';
    }
}

TEST(MailAddress, ControlCharactersAreFound) {
    EXPECT_FALSE(net::hasControlCharacter(u"a@x.cn"));
    EXPECT_TRUE(net::hasControlCharacter(u"a@x.cn\r\nRCPT TO:<b@y.cn>"));
    EXPECT_TRUE(net::hasControlCharacter(u"a\x7F@x.cn"));
    EXPECT_TRUE(net::hasControlCharacter(QStringView(u"a\0b", 3)));
}

// What a typed line leaves in the address, and whether that may go into a command.
TEST(MailAddress, TextOutsideTheAddressIsFound) {
    const struct {
        const char16_t* line;
        bool foreign;
    } cases[] = {
        {u"a@x.cn", false},
        {u"张三 <a@x.cn>", false},
        {u"a@x.cn (Zhang San)", false},
        {u"\"john doe\"@x.cn", false},
        {u"\"a>b\"@x.cn", true},      // a bracket is refused even quoted
        {u"a@x.cn(x)> SIZE=1", true}, // the comment ends the line with ">"
        {u"a@x.cn(x)>", true},
        {u"a@x.cn> NOTIFY=NEVER", true},    // taken whole: the ">" and beyond stay
        {u"<a@x.cn> BODY=8BITMIME", false}, // after the closing ">": dropped by the parser
        {u"a@x.cn b@y.cn", false},          // two words: the name and the address
        {u"<a b@x.cn>", true},
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf16(c.line);
        const QString address = net::TIdEMailAddressItem::fromText(line).Address;
        EXPECT_EQ(net::hasForeignText(address), c.foreign)
            << line.toStdString() << " gives " << address.toStdString();
    }
}

} // namespace
} // namespace kelvane
