#include "net/mime_header.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

const net::HeaderCharset kGb2312{"GB2312", 'B'};
const net::HeaderCharset kLatin1{"ISO-8859-1", 'Q'};

TEST(HeaderCharset, FollowsTheLocaleLanguage) {
    struct Case {
        QLocale locale;
        net::HeaderCharset charset;
    };
    const Case cases[] = {
        {QLocale(QLocale::Chinese, QLocale::China), kGb2312},
        {QLocale(QLocale::Chinese, QLocale::Taiwan), {"Big5", 'B'}},
        {QLocale(QLocale::Chinese, QLocale::HongKong), {"Big5", 'B'}},
        {QLocale(QLocale::Japanese, QLocale::Japan), {"ISO-2022-JP", 'B'}},
        {QLocale(QLocale::Korean, QLocale::SouthKorea), {"csEUCKR", 'B'}},
        {QLocale(QLocale::Russian, QLocale::Russia), {"KOI8-R", 'B'}},
        {QLocale(QLocale::Ukrainian, QLocale::Ukraine), {"windows-1251", 'B'}},
        {QLocale(QLocale::English, QLocale::UnitedStates), kLatin1},
        {QLocale(QLocale::German, QLocale::Germany), kLatin1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(net::headerCharsetFor(c.locale), c.charset) << c.locale.name().toStdString();
        // Every charset of the table must be one the converters know.
        EXPECT_TRUE(QStringEncoder(c.charset.name.constData()).isValid()) << c.charset.name.data();
    }
}

struct EncodeCase {
    const char* name;
    QString text;
    net::HeaderCharset charset;
    QByteArray encoded;
};

class EncodeCases : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeCases, Encodes) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(net::encodeHeaderText(c.text, c.charset), c.encoded);
}

// 中文 is D6 D0 CE C4 in GB2312; 站长工具 is D5 BE B3 A4 B9 A4 BE DF.
const EncodeCase kEncodeCases[] = {
    {"asciiUnchanged", u"Monthly report, March"_qs, kGb2312, "Monthly report, March"},
    {"chinese", u"中文"_qs, kGb2312, "=?GB2312?B?1tDOxA==?="},
    // 山田 as a strict encoder writes it: ESC $ B ; 3 E D, then back to ASCII with ESC ( B.
    {"iso2022JpEndsInAscii",
     u"山田"_qs,
     {"ISO-2022-JP", 'B'},
     "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?="},
    {"englishWordOutsideRun", u"Kelvane 站长工具"_qs, kGb2312, "Kelvane =?GB2312?B?1b6zpLmkvt8=?="},
    {"runTakesInBlanksBetweenWords", u"中文 中文 end"_qs, kGb2312, "=?GB2312?B?1tDOxCDW0M7E?= end"},
    {"englishBetweenRuns", u"中文 and 中文"_qs, kGb2312,
     "=?GB2312?B?1tDOxA==?= and =?GB2312?B?1tDOxA==?="},
    {"leadingBlanksStayOutside", u"  中文"_qs, kGb2312, "  =?GB2312?B?1tDOxA==?="},
    {"qForOtherLanguages", u"Caf\u00e9 au lait"_qs, kLatin1, "=?ISO-8859-1?Q?Caf=E9?= au lait"},
    {"qRunSpacesAsUnderscore", u"d\u00e9j\u00e0 \u00e9t\u00e9 vu"_qs, kLatin1,
     "=?ISO-8859-1?Q?d=E9j=E0_=E9t=E9?= vu"},
    {"qEscapesItsOwnSpecials", u"\u00e9?=_"_qs, kLatin1, "=?ISO-8859-1?Q?=E9=3F=3D=5F?="},
    {"unrepresentableBecomesQuestionMark", u"\u00e9\u4e2d"_qs, kLatin1, "=?ISO-8859-1?Q?=E9=3F?="},
    {"textLookingEncodedIsEncoded", u"=?GB2312?B?abc?= x"_qs, kLatin1,
     "=?ISO-8859-1?Q?=3D=3FGB2312=3FB=3Fabc=3F=3D?= x"},
    // CR and LF between plain words must not start a header line of their own.
    {"lineBreaksBecomeSpaces", u"Hi\r\nBcc: evil@example.com"_qs, kLatin1,
     "Hi  Bcc: evil@example.com"},
    {"controlCharacterEncoded", u"a\u0007b"_qs, kLatin1, "=?ISO-8859-1?Q?a=07b?="},
};

INSTANTIATE_TEST_SUITE_P(HeaderText, EncodeCases, testing::ValuesIn(kEncodeCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(HeaderText, AddressSpecialsForceEncodingOfNames) {
    EXPECT_EQ(net::encodeHeaderText(u"Mr. 王", kGb2312, net::kAddressSpecials),
              "=?GB2312?B?TXIuIM31?=");
    EXPECT_EQ(net::encodeHeaderText(u"Mr. 王", kGb2312), "Mr. =?GB2312?B?zfU=?=");
    EXPECT_EQ(net::encodeHeaderText(u"M\u00fcller, Jo", kLatin1, net::kAddressSpecials),
              "=?ISO-8859-1?Q?M=FCller=2C?= Jo");
}

// Splits encoded-words, checks each against the limit and decodes each on its own: a word
// holding half a character would not decode cleanly.
QString decodeEachWord(const QByteArray& encoded, const char* charset, char letter) {
    const QByteArray prefix = QByteArray("=?") + charset + '?' + letter + '?';
    QString text;
    for (const QByteArray& part : encoded.split('\n')) {
        const QByteArray word = part.trimmed();
        EXPECT_LE(word.size(), 75) << word.data();
        EXPECT_TRUE(word.startsWith(prefix) && word.endsWith("?=")) << word.data();
        const QByteArray payload = word.mid(prefix.size(), word.size() - prefix.size() - 2);
        QStringDecoder decoder(charset, QStringConverter::Flag::Stateless);
        const QByteArray bytes = QByteArray::fromBase64(payload);
        const QString piece = decoder.decode(bytes);
        EXPECT_FALSE(decoder.hasError()) << word.data();
        // A stateful charset returns to ASCII inside every word (RFC 1468).
        const qsizetype escape = bytes.lastIndexOf('\x1b');
        EXPECT_TRUE(escape < 0 || bytes.sliced(escape) == "\x1b(B") << word.data();
        EXPECT_FALSE(piece.contains(QChar::ReplacementCharacter)) << word.data();
        text += piece;
    }
    return text;
}

TEST(HeaderText, LongRunsSplitIntoWholeCharacterWords) {
    struct Case {
        QString text;
        net::HeaderCharset charset;
    };
    const QString chinese =
        u"站长工具网站查询关键字排名邮件群发系统测试主题足够长以便分成好几个编码字"_qs;
    const Case cases[] = {
        {chinese, kGb2312},
        {u"網站查詢關鍵字排名郵件群發系統測試主題足夠長以便分成好幾個編碼字"_qs, {"Big5", 'B'}},
        {u"ウェブサイトの検索順位とメール送信のための長い件名です"_qs, {"ISO-2022-JP", 'B'}},
        // Odd lengths: one ASCII byte shifts the three-byte groups against the characters.
        {u"a"_qs + chinese, kGb2312},
        {u"ab"_qs + chinese, kGb2312},
    };
    for (const Case& c : cases) {
        const QByteArray encoded = net::encodeHeaderText(c.text, c.charset);
        EXPECT_GE(encoded.count("=?"), 2) << encoded.data();
        EXPECT_TRUE(encoded.contains("?=\r\n =?")) << encoded.data();
        EXPECT_EQ(decodeEachWord(encoded, c.charset.name.constData(), 'B'), c.text);
    }
}

TEST(HeaderText, LongQRunsStayWithinTheLimit) {
    const QString text = QString(40, QChar(0xE9));
    const QByteArray encoded = net::encodeHeaderText(text, kLatin1);
    for (const QByteArray& part : encoded.split('\n')) {
        const QByteArray word = part.trimmed();
        EXPECT_LE(word.size(), 75);
        EXPECT_TRUE(word.startsWith("=?ISO-8859-1?Q?") && word.endsWith("?="));
    }
    EXPECT_EQ(encoded.count("=E9"), 40);
}

struct FoldCase {
    const char* name;
    QByteArray line;
    QByteArray folded;
};

class FoldCases : public testing::TestWithParam<FoldCase> {};

TEST_P(FoldCases, Folds) {
    const FoldCase& c = GetParam();
    const QByteArray folded = net::foldMailHeaderLine(c.line);
    EXPECT_EQ(folded, c.folded);
}

const FoldCase kFoldCases[] = {
    {"shortKept", "Subject: hello", "Subject: hello"},
    {"exactly78Kept", "To: " + QByteArray(74, 'a'), "To: " + QByteArray(74, 'a')},
    {"atLastSpaceWithin78", "Subject: " + QByteArray(60, 'a') + " bbbbbbbb cccccccccccccc",
     "Subject: " + QByteArray(60, 'a') + " bbbbbbbb\r\n cccccccccccccc"},
    {"afterComma", "To: " + QByteArray(70, 'a') + ",bbbbbbbbbbbbbbbbbbbbbbbb",
     "To: " + QByteArray(70, 'a') + ",\r\n bbbbbbbbbbbbbbbbbbbbbbbb"},
    {"commaWithSpaceDropsTrailingBlank",
     "To: " + QByteArray(70, 'a') + ", bbbbbbbbbbbbbbbbbbbbbbbb",
     "To: " + QByteArray(70, 'a') + ",\r\n bbbbbbbbbbbbbbbbbbbbbbbb"},
    {"notInsideQuotes",
     "From: \"" + QByteArray(40, 'n') + ", " + QByteArray(40, 'n') + "\" <a@b.c>",
     "From:\r\n \"" + QByteArray(40, 'n') + ", " + QByteArray(40, 'n') + "\" <a@b.c>"},
    {"noBreakPointKeptLong", "X:" + QByteArray(90, 'z'), "X:" + QByteArray(90, 'z')},
    {"firstCutAfterTheName", "X: " + QByteArray(90, 'z'), "X:\r\n " + QByteArray(90, 'z')},
    {"eachPhysicalLineFolded",
     "Subject: =?GB2312?B?" + QByteArray(60, 'Q') + "?=\r\n =?GB2312?B?QUFB?=",
     "Subject:\r\n =?GB2312?B?" + QByteArray(60, 'Q') + "?=\r\n =?GB2312?B?QUFB?="},
    {"trailingBlanksDropped", "Subject: " + QByteArray(60, 'a') + "          ",
     "Subject: " + QByteArray(60, 'a')},
};

INSTANTIATE_TEST_SUITE_P(HeaderLines, FoldCases, testing::ValuesIn(kFoldCases),
                         [](const auto& tc) { return std::string(tc.param.name); });

TEST(HeaderLines, LongListFoldsIntoLinesWithin78) {
    QByteArray to = "To: ";
    for (int i = 0; i < 12; ++i)
        to += (i ? ", " : "") + QByteArray("recipient") + QByteArray::number(i) + "@example.com";
    const QByteArray folded = net::foldMailHeaderLine(to);
    const QByteArrayList lines = folded.split('\n');
    ASSERT_GT(lines.size(), 2);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = i + 1 < lines.size() ? lines[i].chopped(1) : lines[i];
        EXPECT_LE(line.size(), 78) << line.data();
        EXPECT_TRUE(line.endsWith(',') || i + 1 == lines.size()) << line.data();
        if (i > 0) {
            EXPECT_TRUE(line.startsWith(" recipient")) << line.data();
        }
    }
    // Unfolding gives the line back.
    EXPECT_EQ(QByteArray(folded).replace("\r\n", ""), to);
}

} // namespace
} // namespace kelvane
