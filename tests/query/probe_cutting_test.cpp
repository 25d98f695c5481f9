#include "platform/text_codec.h"
#include "query/count_probes.h"
#include "query/engine_row.h"
#include "query/rank_probes.h"
#include "support/fixture_web.h"

#include <functional>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::httpResponse;

enum class Encoding { Gbk, Utf8WithCharset, Utf8WithoutCharset };

test::Reply pageReply(const QString& text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Gbk:
        return httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, platform::toAnsi(text));
    case Encoding::Utf8WithCharset:
        return httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html; charset=utf-8"},
                            text.toUtf8());
    case Encoding::Utf8WithoutCharset:
        break;
    }
    return httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, text.toUtf8());
}

struct CountCase {
    const char* name;
    query::EngineId engine;
    query::CountMetric metric;
    const char16_t* page;
    Encoding encoding;
    const char16_t* expected;
};

TEST(CountProbes, CutTheCountAsTheEnginePrintsIt) {
    using enum query::EngineId;
    using enum query::CountMetric;
    const CountCase cases[] = {
        {"baidu", Baidu, IndexedPages, u"找到相关网页约12,300篇", Encoding::Gbk, u"12300"},
        {"baidu_split_line", Baidu, IndexedPages, u"找到相关网页约\r\n12,300篇", Encoding::Gbk,
         u"\r\n12300"},
        {"google", Google, IndexedPages, u"获得约 <b>1,230</b> 条", Encoding::Gbk, u"1230"},
        {"google_link", Google, Backlinks, u"有 <b>45</b> 项", Encoding::Gbk, u"45"},
        {"google_runs_on", Google, IndexedPages, u"获得约 <b>1,230</b>条\r\n<i>x</b> y",
         Encoding::Gbk, u"1230</b>条\r\n<i>x"},
        {"google_no_closer", Google, IndexedPages, u"获得约 <b>1,230</b>条", Encoding::Gbk, u"0"},
        {"yahoo_markup", Yahoo, IndexedPages, u"<strong><i>1,2</i></strong>",
         Encoding::Utf8WithCharset, u"<i>12</i>"},
        {"sogou", Sogou, Backlinks, u"找到 1,234 <!--", Encoding::Gbk, u"1234"},
        {"soso_spaces", Soso, IndexedPages, u"搜索到约 1,234 项结果", Encoding::Gbk, u"1234"},
        {"youdao", Youdao, IndexedPages, u"共约1,230条结果", Encoding::Utf8WithCharset, u"1230"},
        {"youdao_wan_not_multiplied", Youdao, Backlinks, u"共约12万条结果",
         Encoding::Utf8WithCharset, u"12"},
        {"youdao_no_charset", Youdao, IndexedPages, u"共约1,230条结果",
         Encoding::Utf8WithoutCharset, u"0"},
        {"bing", Bing, IndexedPages, u"条结果，共 5,670 条", Encoding::Utf8WithCharset, u"5670"},
        {"bing_ascii_comma", Bing, IndexedPages, u"条结果,共 5,670 条", Encoding::Utf8WithCharset,
         u"0"},
        {"bing_no_charset", Bing, Backlinks, u"条结果，共 5,670 条", Encoding::Utf8WithoutCharset,
         u"0"},
    };
    for (const CountCase& c : cases) {
        test::FixtureWeb web;
        const query::CountProbeSpec& spec = query::CountProbeSpecFor(c.engine, c.metric);
        const QString url = query::CountProbeUrl(spec, QStringLiteral("ab.example"));
        const QByteArray target = url.mid(url.indexOf(u'/', 7)).toLatin1();
        web.route(QString::fromUtf16(spec.row->hostKey), target,
                  pageReply(QString::fromUtf16(c.page), c.encoding));
        EXPECT_EQ(query::RunCountProbe(spec, QStringLiteral("ab.example"), {}).value,
                  QString::fromUtf16(c.expected))
            << c.name;
    }
}

// Serves one answer on the service's path for ab.example, then runs the probe.
template <typename Result>
Result rankWith(const char* key, const QByteArray& target, test::Reply reply,
                const std::function<Result(const QString&, const query::EventPump&)>& probe) {
    test::FixtureWeb web;
    web.route(QString::fromLatin1(key), target, std::move(reply));
    return probe(QStringLiteral("ab.example"), {});
}

TEST(RankProbes, PageRankConvertsStrictlyAndNeverGoesNegative) {
    const struct {
        const char16_t* answer;
        int expected;
    } cases[] = {{u"<strong> 4 </strong>", 4}, {u"<strong>n/a</strong>", 0},
                 {u"<strong>-1</strong>", 0},  {u"<strong>12</strong>", 12},
                 {u"<strong></strong>", 0},    {u"no tags", 0},
                 {u"<strong>4x</strong>", 0},  {u"<strong>99999999999</strong>", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(rankWith<int>("home", "/pr/?domain=ab.example",
                                pageReply(QString::fromUtf16(c.answer), Encoding::Utf8WithCharset),
                                query::PageRankLookup),
                  c.expected)
            << QString::fromUtf16(c.answer).toStdString();
    }
}

TEST(RankProbes, SogouRankSkipsLeadingSpacesOnly) {
    const struct {
        const char16_t* page;
        int expected;
    } cases[] = {{u"搜狗评级:45/100", 45},   {u"搜狗评级: 45/100", 45}, {u"搜狗评级:45 /100", 0},
                 {u"搜狗评级:150/100", 150}, {u"搜狗评级:-3/100", -3},  {u"没有评级", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(rankWith<int>("sogou", "/web?query=link:ab.example",
                                pageReply(QString::fromUtf16(c.page), Encoding::Gbk),
                                query::SogouRankLookup),
                  c.expected)
            << QString::fromUtf16(c.page).toStdString();
    }
}

TEST(RankProbes, AlexaShowsTheWholeTrimmedBodyOrFails) {
    const QString failed = QStringLiteral("查询失败");
    const struct {
        test::Reply reply;
        QString expected;
    } cases[] = {
        {pageReply(QStringLiteral("12,345\r\n"), Encoding::Utf8WithCharset),
         QStringLiteral("12,345")},
        {pageReply(QStringLiteral(" \r\n\t"), Encoding::Utf8WithCharset), failed},
        {pageReply(QString(), Encoding::Utf8WithCharset), failed},
        {httpResponse("HTTP/1.1 404 Not Found"), failed},
        // No answer within the 1000 ms read time-out.
        {test::Reply().silent(), failed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rankWith<QString>("home", "/api/alexa.asp?d=ab.example", c.reply,
                                    query::AlexaRankLookup),
                  c.expected);
    }
}

TEST(RankProbes, ChinaRankTransformsInOrder) {
    const QString prefix =
        QStringLiteral("<span class=\"bold\">当前排名：</span><span class=\"rank_font_y2\">");
    const struct {
        QString page;
        const char16_t* expected;
    } cases[] = {
        {prefix + QStringLiteral("子网站不参与综合排名</span>"), u"子网站不参与排名"},
        {prefix + QStringLiteral("12,345</span>"), u"12345"},
        {prefix + QStringLiteral("</span>"), u"0"},
        {QStringLiteral("<span class=\"bold\">当前排名:</span>"), u"0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rankWith<QString>("chinarank", "/overview/Info.do?url=ab.example",
                                    pageReply(c.page, Encoding::Gbk), query::ChinaRankLookup),
                  QString::fromUtf16(c.expected))
            << c.page.toStdString();
    }
}

} // namespace
} // namespace kelvane
