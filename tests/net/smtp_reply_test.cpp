#include "net/smtp_reply.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

struct ReplyCase {
    const char* name;
    QByteArray bytes;
    int code;
    QStringList text;
    QString enhancedCode;
};

class SmtpReplyCases : public testing::TestWithParam<ReplyCase> {};

TEST_P(SmtpReplyCases, ReadWholeAndByteByByte) {
    const ReplyCase& c = GetParam();
    net::SmtpReplyReader whole;
    whole.append(c.bytes);
    const std::optional<net::SmtpReply> reply = whole.next();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->code, c.code);
    EXPECT_EQ(reply->text, c.text);
    EXPECT_EQ(reply->enhancedCode, c.enhancedCode);
    EXPECT_FALSE(whole.hasPartial());

    // Bytes that trickle in one at a time give the same reply, and only at its last byte.
    net::SmtpReplyReader trickle;
    std::optional<net::SmtpReply> late;
    for (qsizetype i = 0; i < c.bytes.size(); ++i) {
        EXPECT_FALSE(late.has_value()) << "complete before byte " << i;
        trickle.append(c.bytes.mid(i, 1));
        late = trickle.next();
    }
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(late->text, c.text);
}

const ReplyCase kReplyCases[] = {
    {"single", "220 mail.example ESMTP\r\n", 220, {u"mail.example ESMTP"_qs}, {}},
    {"multiLine",
     "250-mail.example\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME\r\n",
     250,
     {u"mail.example"_qs, u"AUTH PLAIN LOGIN"_qs, u"8BITMIME"_qs},
     {}},
    {"bareLf", "250-a\n250 b\n", 250, {u"a"_qs, u"b"_qs}, {}},
    {"emptyLinesSkipped", "\r\n\r\n250-a\r\n\r\n250 b\r\n", 250, {u"a"_qs, u"b"_qs}, {}},
    {"enhancedCodeTaken",
     "550 5.1.1 <x@y>: Recipient refused\r\n",
     550,
     {u"<x@y>: Recipient refused"_qs},
     u"5.1.1"_qs},
    {"enhancedCodeEveryLine",
     "250-2.0.0 one\r\n250 2.0.0 two\r\n",
     250,
     {u"one"_qs, u"two"_qs},
     u"2.0.0"_qs},
    {"enhancedCodeAlone", "250 2.0.0\r\n", 250, {u""_qs}, u"2.0.0"_qs},
    {"notEnhancedClass3", "354 3.0.0 go\r\n", 354, {u"3.0.0 go"_qs}, {}},
    {"notEnhancedGlued", "250 2.0.0x ok\r\n", 250, {u"2.0.0x ok"_qs}, {}},
    {"shortLineEnds", "25\r\n", 0, {u""_qs}, {}},
    {"threeCharsEnds", "221\r\n", 221, {u""_qs}, {}},
    {"otherFourthCharEnds", "250xtext\r\n", 250, {u"text"_qs}, {}},
    {"nonNumericCode", "abc text\r\n", 0, {u"text"_qs}, {}},
    // Found by fuzzing: a sign or a blank is no digit, so these are no codes.
    {"signedCode", "-42 bye\r\n", 0, {u"bye"_qs}, {}},
    {"plusCode", "+50 x\r\n", 0, {u"x"_qs}, {}},
    {"blankInCode", " 25 x\r\n", 0, {u"x"_qs}, {}},
    {"highBytesAsQuestionMarks", "220 caf\xc3\xa9\r\n", 220, {u"caf??"_qs}, {}},
};

INSTANTIATE_TEST_SUITE_P(Replies, SmtpReplyCases, testing::ValuesIn(kReplyCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(SmtpReplyReader, HandsOutPipelinedRepliesOneByOne) {
    net::SmtpReplyReader reader;
    reader.append("250 one\r\n354 two\r\n221 thr");
    EXPECT_EQ(reader.next()->code, 250);
    EXPECT_EQ(reader.next()->code, 354);
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_TRUE(reader.hasPartial());
    reader.append("ee\r\n");
    EXPECT_EQ(reader.next()->text, QStringList{u"three"_qs});
}

TEST(SmtpReplyReader, BoundsHostilePeers) {
    const net::SmtpReplyLimits limits{64, 4};
    {
        // A line without end is refused as soon as it passes the limit, not when memory runs out.
        net::SmtpReplyReader reader(limits);
        reader.append(QByteArray(65, 'x'));
        EXPECT_THROW(reader.next(), net::ESmtpReplyTooLarge);
    }
    {
        net::SmtpReplyReader reader(limits);
        reader.append("250 " + QByteArray(61, 'x') + "\r\n");
        EXPECT_THROW(reader.next(), net::ESmtpReplyTooLarge);
    }
    {
        // A line of exactly the limit is accepted also when its LF comes after the CR, in a
        // later read, as it is when everything comes at once (found by fuzzing).
        net::SmtpReplyReader reader(limits);
        reader.append("250 " + QByteArray(60, 'x') + '\r');
        EXPECT_FALSE(reader.next());
        reader.append("\n");
        EXPECT_EQ(reader.next()->text, QStringList{QString(60, u'x')});
        reader.append("250 " + QByteArray(61, 'x') + '\r');
        EXPECT_THROW(reader.next(), net::ESmtpReplyTooLarge);
    }
    {
        net::SmtpReplyReader reader(limits);
        reader.append("250-1\r\n250-2\r\n250-3\r\n250 4\r\n");
        EXPECT_EQ(reader.next()->text.size(), 4);
    }
    {
        net::SmtpReplyReader reader(limits);
        reader.append("250-1\r\n250-2\r\n250-3\r\n250-4\r\n250 5\r\n");
        EXPECT_THROW(reader.next(), net::ESmtpReplyTooLarge);
    }
}

} // namespace
} // namespace kelvane
