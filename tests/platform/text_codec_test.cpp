#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(TextCodec, AnsiIsGbkWithTheEuroSign) {
    EXPECT_EQ(platform::fromAnsi(QByteArray("\xD6\xD0\xCE\xC4", 4)), QStringLiteral("中文"));
    EXPECT_EQ(platform::fromAnsi(QByteArray("\x80", 1)), QStringLiteral("€"));
    EXPECT_EQ(platform::toAnsi(u"中文"), QByteArray("\xD6\xD0\xCE\xC4"));
}

TEST(TextCodec, AnsiDecodingNeverHoldsBytesBack) {
    // A lead byte at the very end is reported, not swallowed.
    const QString decoded = platform::fromAnsi(QByteArray("ab\xD6", 3));
    EXPECT_EQ(decoded.left(2), QStringLiteral("ab"));
    EXPECT_EQ(decoded.size(), 3);
    // A bad trail keeps the trail byte.
    EXPECT_EQ(platform::fromAnsi(QByteArray("\xD6!", 2)), QStringLiteral("\uFFFD!"));
}

TEST(TextCodec, AnsiEncodingUsesTheDefaultCharacter) {
    EXPECT_EQ(platform::toAnsi(u"a\U0001F600b"), QByteArray("a?b"));
    EXPECT_EQ(platform::toAnsi(u"a\u0E01b"), QByteArray("a?b"));
}

TEST(TextCodec, OneCharPerByteKeepsEveryCode) {
    const QString decoded = platform::fromOneCharPerByte(QByteArray("\xD6\xD0\x00\xFF", 4));
    ASSERT_EQ(decoded.size(), 4);
    EXPECT_EQ(decoded[0].unicode(), 0xD6);
    EXPECT_EQ(decoded[2].unicode(), 0);
    EXPECT_EQ(decoded[3].unicode(), 0xFF);
}

struct CharsetCase {
    const char* contentType;
    const char* pageCharset;
    const char* stringCharset;
};

TEST(TextCodec, CharsetOfContentType) {
    const CharsetCase cases[] = {
        {"text/html; charset=utf-8", "utf-8", "utf-8"},
        {"text/html;CHARSET=UTF8", "UTF8", "UTF8"},
        {"text/html; charset=\"utf-8\"; x=y", "utf-8", "utf-8"},
        {"text/html; charset=gb2312", "gb2312", "gb2312"},
        {"text/html; charset utf-8", "", "utf-8"},
        {"text/html; charset= utf-8", " utf-8", "utf-8"},
        {"text/html; charset=\"utf-8\" ; x", "\"utf-8\" ", "utf-8"},
        {"text/html", "", ""},
        {"", "", ""},
    };
    for (const CharsetCase& c : cases) {
        const QString type = QString::fromLatin1(c.contentType);
        EXPECT_EQ(platform::pageCharset(type).toStdString(), c.pageCharset) << c.contentType;
        EXPECT_EQ(platform::stringBodyCharset(type).toStdString(), c.stringCharset)
            << c.contentType;
    }
}

TEST(TextCodec, CharsetTextDecodesUtf8OnlyWhenNamed) {
    const QByteArray body = QStringLiteral("中").toUtf8();
    EXPECT_EQ(platform::fromCharsetText(body, u"text/html; charset=UTF-8"), QStringLiteral("中"));
    EXPECT_EQ(platform::fromCharsetText(body, u"text/html; charset=utf8"), QStringLiteral("中"));
    EXPECT_EQ(platform::fromCharsetText(body, u"text/html; charset=gb2312").size(), 3);
    EXPECT_EQ(platform::fromCharsetText(body, u"text/html").size(), 3);
    EXPECT_EQ(platform::fromCharsetText(body, u"text/html; charset= utf-8").size(), 3);
    EXPECT_EQ(platform::fromStringBody(body, u"text/plain;charset = \"UTF-8\""),
              QStringLiteral("中"));
}

} // namespace
} // namespace kelvane

namespace kelvane {
namespace {

// The page decodings written straight to UTF-8 read exactly as the decodings do, also where a
// character, a bad sequence or a held-back lead byte falls on the 1 MiB step between pieces.
TEST(TextCodecUtf8Pieces, SameTextAsTheWholeDecoding) {
    const qsizetype step = 1 << 20;
    const QByteArray a(step - 1, 'a');
    const QByteArray gbkZhong = platform::toAnsi(u"中");
    const QByteArray utf8Zhong = QStringLiteral("中").toUtf8();
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", {}},
        {"ASCII", "plain <b>text</b>\r\n"},
        {"GBK across the step", a + gbkZhong + "z"},
        {"UTF-8 across the step", a + utf8Zhong + "z"},
        {"UTF-8 across the step, one byte later", a + "b" + utf8Zhong},
        {"lead byte last", "abc\x81"},
        {"lead byte last at the step", a + "\xD6"},
        {"bad trail", "\xD6\x20x"},
        {"stray continuations at the step", a + "\x80\x80\x80\x80\x80z"},
        {"truncated UTF-8 at the end", "ab\xE4\xB8"},
        {"high Latin-1 bytes", "\xE9t\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::ansiToUtf8(c.bytes), platform::fromAnsi(c.bytes).toUtf8());
        for (const char* type : {"text/html; charset=utf-8", "text/html; charset=gb2312", ""}) {
            const QString contentType = QString::fromLatin1(type);
            EXPECT_EQ(platform::charsetTextToUtf8(c.bytes, contentType),
                      platform::fromCharsetText(c.bytes, contentType).toUtf8())
                << type;
        }
    }
}

} // namespace
} // namespace kelvane
