#include "net/message_writer.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

const net::HeaderCharset kGb2312{"GB2312", 'B'};
const net::HeaderCharset kLatin1{"ISO-8859-1", 'Q'};

QDateTime at(int year, int month, int day, int h, int m, int s, int offsetSeconds) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s), QTimeZone(offsetSeconds));
}

const QDateTime kNow = at(2024, 3, 5, 9, 3, 7, 8 * 3600);

TEST(MailDate, EnglishNamesAndTheOffset) {
    struct Case {
        QDateTime time;
        QByteArray text;
    };
    const Case cases[] = {
        {kNow, "Tue, 5 Mar 2024 09:03:07 +0800"},
        {at(2023, 12, 31, 23, 59, 59, 0), "Sun, 31 Dec 2023 23:59:59 +0000"},
        {at(2025, 1, 18, 0, 0, 0, -(3 * 3600 + 30 * 60)), "Sat, 18 Jan 2025 00:00:00 -0330"},
        {at(2024, 7, 1, 12, 30, 5, 5 * 3600 + 45 * 60), "Mon, 1 Jul 2024 12:30:05 +0545"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(net::formatMailDate(c.time), c.text) << c.text.data();
}

struct HeaderCase {
    const char* name;
    QString from;
    QString recipients;
    QString subject;
    net::HeaderCharset charset;
    QByteArrayList lines;
};

class HeaderCases : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderCases, WritesTheHeaderLines) {
    const HeaderCase& c = GetParam();
    net::TIdMessage message;
    message.From.setText(c.from);
    message.setRecipientsText(c.recipients);
    message.Subject = c.subject;
    EXPECT_EQ(net::headerLines(message, {c.charset, kNow}), c.lines);
}

const QByteArray kDate = "Date: Tue, 5 Mar 2024 09:03:07 +0800";

const HeaderCase kHeaderCases[] = {
    {"bareFromTakesAddressAsName",
     u"zs@example.cn"_qs,
     u"ls@example.cn"_qs,
     u"Hello"_qs,
     kGb2312,
     {"From: \"zs@example.cn\" <zs@example.cn>", "Subject: Hello", "To: ls@example.cn", kDate}},
    {"toJoinedWithCommaSpace",
     u"zs@example.cn"_qs,
     u"a@x.cn;b@y.cn, Li Si <ls@z.cn>"_qs,
     u"Hi"_qs,
     kGb2312,
     {"From: \"zs@example.cn\" <zs@example.cn>", "Subject: Hi",
      "To: a@x.cn, b@y.cn, \"Li Si\" <ls@z.cn>", kDate}},
    {"quotedNameEscapes",
     u"\"Zhang \\\"Z\\\" \\\\ San\" <zs@example.cn>"_qs,
     {},
     {},
     kLatin1,
     {"From: \"Zhang \\\"Z\\\" \\\\ San\" <zs@example.cn>", kDate}},
    {"chineseNameEncoded",
     u"张三 <zs@example.cn>"_qs,
     u"李四 <ls@example.cn>"_qs,
     u"中文"_qs,
     kGb2312,
     {"From: =?GB2312?B?1cXI/Q==?= <zs@example.cn>",
      "Subject: =?GB2312?B?1tDOxA==?=", "To: =?GB2312?B?wO7LxA==?= <ls@example.cn>", kDate}},
    {"qNameWithSpecials",
     u"\"M\u00fcller, Jo\" <jm@example.de>"_qs,
     {},
     u"Gr\u00fc\u00dfe"_qs,
     kLatin1,
     {"From: =?ISO-8859-1?Q?M=FCller=2C?= Jo <jm@example.de>",
      "Subject: =?ISO-8859-1?Q?Gr=FC=DFe?=", kDate}},
    {"emptyValuesLeftOut", {}, u"   "_qs, {}, kGb2312, {kDate}},
};

INSTANTIATE_TEST_SUITE_P(Writer, HeaderCases, testing::ValuesIn(kHeaderCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(Writer, BareFromKeepsTheAddressAsItsName) {
    net::TIdMessage message;
    message.From.setText(u"zs@example.cn");
    net::headerLines(message, {kGb2312, kNow});
    EXPECT_EQ(message.From.Name, u"zs@example.cn"_qs);
}

TEST(Writer, LongChineseSubjectIsFoldedIntoShortLines) {
    net::TIdMessage message;
    message.From.setText(u"zs@example.cn");
    message.Subject =
        u"站长工具网站查询关键字排名邮件群发系统测试主题足够长以便分成好几个编码字"_qs;
    const QByteArrayList lines = net::headerLines(message, {kGb2312, kNow});
    ASSERT_GE(lines.size(), 2);
    const QByteArray subject = lines[1];
    EXPECT_TRUE(subject.startsWith("Subject:\r\n =?GB2312?B?")) << subject.data();
    for (const QByteArray& physical : subject.split('\n')) {
        EXPECT_LE(physical.size(), 79) << physical.data(); // 78 and the CR
        EXPECT_LE(physical.trimmed().size(), 75) << physical.data();
    }
}

TEST(Writer, MessageDataIsExact) {
    net::TIdMessage message;
    message.From.setText(u"zs@example.cn");
    message.setRecipientsText(u"ls@example.cn");
    message.Subject = u"Report 中文"_qs;
    message.setBodyText(u"第一行\r\n.\r\n..two\n.\rlast"_qs);
    const QByteArray expected = "From: \"zs@example.cn\" <zs@example.cn>\r\n"
                                "Subject: Report =?GB2312?B?1tDOxA==?=\r\n"
                                "To: ls@example.cn\r\n"
                                "Date: Tue, 5 Mar 2024 09:03:07 +0800\r\n"
                                "\r\n"
                                "\xb5\xda\xd2\xbb\xd0\xd0\r\n"
                                "..\r\n"
                                "...two\r\n"
                                "..\r\n"
                                "last\r\n"
                                "\r\n"
                                ".\r\n";
    EXPECT_EQ(net::messageData(message, {kGb2312, kNow}), expected);
}

TEST(Writer, Iso2022JpBodyLinesEachEndInAscii) {
    net::TIdMessage message;
    message.setBodyText(u"山田\r\nabc 日本語\r\nplain"_qs);
    const QByteArray data = net::messageData(message, {{"ISO-2022-JP", 'B'}, kNow});
    // Bytes a strict encoder (Python's iso2022_jp) writes for each line.
    EXPECT_TRUE(data.endsWith("\r\n\r\n"
                              "\x1b$B;3ED\x1b(B\r\n"
                              "abc \x1b$BF|K\\8l\x1b(B\r\n"
                              "plain\r\n"
                              "\r\n.\r\n"))
        << data.toStdString();
}

TEST(Writer, BodyLinesSplitAtEveryKindOfLineBreak) {
    struct Case {
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {{}, {}},
        {u"one"_qs, {u"one"_qs}},
        {u"one\r\n"_qs, {u"one"_qs}},
        {u"a\rb\nc\r\nd"_qs, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}},
        {u"a\n\nb"_qs, {u"a"_qs, {}, u"b"_qs}},
        {u"\r\n"_qs, {QString()}},
    };
    for (const Case& c : cases) {
        net::TIdMessage message;
        message.setBodyText(c.text);
        EXPECT_EQ(message.Body, c.lines) << c.text.toStdString();
    }
}

TEST(Writer, LineBreaksInsideABodyLineCannotEndTheData) {
    net::TIdMessage message;
    message.Body = QStringList{u"a\r\n.\r\nMAIL FROM:<x@y>"_qs};
    const QByteArray data = net::messageData(message, {kLatin1, kNow});
    EXPECT_TRUE(data.endsWith("\r\n\r\na\r\n..\r\nMAIL FROM:<x@y>\r\n\r\n.\r\n")) << data.data();
    EXPECT_EQ(data.count("\r\n.\r\n"), 1);
}

} // namespace
} // namespace kelvane
