#include "keyword/keyword_engines.h"
#include "keyword/keyword_rank_search.h"
#include "keyword/keyword_web.h"
#include "keyword/percent_encode.h"
#include "support/fixture_web.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(PercentEncode, Table) {
    const struct {
        QByteArray bytes;
        const char* encoded;
    } cases[] = {
        {"a b+c", "a+b%2Bc"},
        {"", ""},
        {"AZaz09", "AZaz09"},
        {"!$'()*-.@_", "!$'()*-.@_"},
        {"+&=/:?#%~,", "%2B%26%3D%2F%3A%3F%23%25%7E%2C"},
        {"\"<>[]\\^`{|};", "%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D%3B"},
        {"  ", "++"},
        {QByteArray("\x00\r\n\t\x7f", 5), "%00%0D%0A%09%7F"},
        {"\xe4\xb8\xad", "%E4%B8%AD"},
        {"\xd6\xd0", "%D6%D0"},
        {"\x80\xff", "%80%FF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keyword::PercentEncode(c.bytes), QString::fromLatin1(c.encoded))
            << "input " << c.bytes.toHex().constData();
    }
}

// Every byte by the three rules, checked one by one.
TEST(PercentEncode, EveryByte) {
    const QByteArray kept =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!$'()*-.@_";
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        QString expected;
        if (kept.contains(one))
            expected = QString::fromLatin1(one);
        else if (b == ' ')
            expected = QStringLiteral("+");
        else
            expected = QStringLiteral("%%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(keyword::PercentEncode(one), expected) << "byte " << b;
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_LE(keyword::PercentEncode(all).size(), 3 * all.size());
}

TEST(EncodeKeyword, AnsiForSixEnginesUtf8ForBing) {
    for (const query::EngineId engine : query::kAllEngines) {
        const bool bing = engine == query::EngineId::Bing;
        SCOPED_TRACE(test::urlCase(engine).name);
        const keyword::KeywordEngineSpec& spec = keyword::KeywordEngine(engine);
        EXPECT_EQ(keyword::EncodeKeyword(spec, QStringLiteral("中")),
                  bing ? QStringLiteral("%E4%B8%AD") : QStringLiteral("%D6%D0"));
        EXPECT_EQ(keyword::EncodeKeyword(spec, QStringLiteral("a b+c")), QStringLiteral("a+b%2Bc"));
        // Outside code page 936: the platform's "?" for the ANSI engines.
        EXPECT_EQ(keyword::EncodeKeyword(spec, QStringLiteral("\U0001F600")),
                  bing ? QStringLiteral("%F0%9F%98%80") : QStringLiteral("%3F"));
    }
}

// The keyword reaches the wire as encoded, whatever characters it holds, in one request line.
TEST(EncodeKeyword, HostileKeywordsOnTheWire) {
    QString everyLatin1;
    for (int c = 0; c < 256; ++c)
        everyLatin1 += QChar(static_cast<char16_t>(c));
    const QString keywords[] = {
        everyLatin1,
        QStringLiteral("中 文\r\nHost: evil.example\r\n\r\n"),
        QStringLiteral("\u0E01\U0001F600\uFFFD") + QChar(static_cast<char16_t>(0xD800)),
        QStringLiteral("site:ab.example & q=1 # frag"),
    };
    for (const QString& keyword : keywords) {
        for (const query::EngineId engine : {query::EngineId::Baidu, query::EngineId::Bing}) {
            test::FixtureWeb web;
            const QString key = test::hostKey(engine);
            keyword::KeywordRankSearch(engine, QStringLiteral("x"), keyword, 1, 1, {});
            const QList<QByteArray> requests = web.requests(key);
            ASSERT_EQ(requests.size(), 1);
            const QByteArray expected = test::pageTarget(
                engine, keyword::EncodeKeyword(keyword::KeywordEngine(engine), keyword).toLatin1(),
                1);
            EXPECT_EQ(test::requestTarget(requests[0]), expected)
                << keyword.toUtf8().toHex().constData();
            EXPECT_EQ(requests[0].count("\r\n"), 5) << "no header smuggled in";
            for (const char c : expected)
                EXPECT_TRUE(c > 0x20 && c < 0x7F) << "byte " << int(c);
        }
    }
}

} // namespace
} // namespace kelvane
