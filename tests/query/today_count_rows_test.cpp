// data/engines-today.json: the same rows as the classic file, accepted by the loader apart from
// the keys of the profile switch, and its count rows reading today's pages (fixtures written
// after the shapes the engines serve now) with the value and outcome each page deserves.
#include "platform/host_config.h"
#include "query/count_probes.h"
#include "query/engine_definitions.h"
#include "query/engine_row.h"
#include "query/fetch_and_extract.h"
#include "query/outcome.h"
#include "query/outcome_text.h"
#include "query/value_kinds.h"
#include "support/fixture_web.h"
#include "support/today_definitions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::Literals::StringLiterals;

QJsonArray rowsOf(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object().value(u"rows").toArray();
}

// The rows the today file gives new content; every other row is the classic one.
const QSet<QString> kTodayRows = {
    u"baidu.site"_s,    u"baidu.domain"_s, u"sogou.site"_s,     u"sogou.link"_s,
    u"bing.site"_s,     u"bing.link"_s,    u"google.site"_s,    u"baidu.keyword"_s,
    u"sogou.keyword"_s, u"bing.keyword"_s, u"google.keyword"_s,
};

const query::CountProbeSpec& todayProbe(const QString& id) {
    for (const query::CountProbeSpec& probe : query::CountProbeSpecsOf(test::todayDefinitions())) {
        if (id == QStringView(probe.row->id))
            return probe;
    }
    ADD_FAILURE() << "no count row " << id.toStdString();
    return query::CountProbeSpecs().front();
}

TEST(TodayFile, HoldsEveryClassicRowInTheSameOrder) {
    const QByteArray text = test::todayDefinitionsText();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(document.object().value(u"format"), QJsonValue(1));
    QStringList today;
    for (const QJsonValue& row : rowsOf(text))
        today << row.toObject().value(u"id").toString();
    QStringList classic;
    for (const QJsonValue& row : rowsOf(query::builtInDefinitionsText()))
        classic << row.toObject().value(u"id").toString();
    EXPECT_EQ(today, classic);
    EXPECT_EQ(today.size(), 32);
}

TEST(TodayFile, IsTheTodayProfilesBuiltInSetAndLoadsWhole) {
    EXPECT_EQ(query::builtInDefinitionsText(platform::EngineProfile::Today),
              test::todayDefinitionsText());
    const query::EngineDefinitions& today = test::todayDefinitions();
    EXPECT_EQ(today.rows().size(), 32u);
    EXPECT_NE(&today, &query::builtInDefinitions(platform::EngineProfile::Classic));
    EXPECT_EQ(today.row(u"soso.site").closedYear, 2013);
    EXPECT_EQ(today.row(u"sogou.rank").closedYear, query::kClosedYearUnknown);
    EXPECT_EQ(today.row(u"bing.site").value, query::ValueKind::Count);
    ASSERT_EQ(today.row(u"bing.site").headers.size(), 1u);
    EXPECT_EQ(QStringView(today.row(u"bing.site").headers[0].first), u"Accept-Language");
}

TEST(TodayFile, NewKeysStandOnTheRowsThatNeedThem) {
    const QJsonArray rows = rowsOf(test::todayDefinitionsText());
    // true: gone, the year not confirmed.
    const QMap<QString, QJsonValue> closed = {
        {u"google.link"_s, 2017},       {u"yahoo.site"_s, 2011},  {u"yahoo.link"_s, 2011},
        {u"yahoo.keyword"_s, 2011},     {u"soso.site"_s, 2013},   {u"soso.link"_s, 2013},
        {u"soso.keyword"_s, 2013},      {u"youdao.site"_s, 2013}, {u"youdao.link"_s, 2013},
        {u"youdao.keyword"_s, 2013},    {u"pagerank"_s, 2016},    {u"alexa"_s, 2022},
        {u"sogou.rank"_s, true},        {u"chinarank"_s, true},   {u"google.cache"_s, 2024},
        {u"google.cache.date"_s, 2024},
    };
    const QJsonObject chinese{{u"Accept-Language"_s, u"zh-CN,zh;q=0.9"_s}};
    for (const QJsonValue& value : rows) {
        const QJsonObject row = value.toObject();
        const QString id = row.value(u"id").toString();
        SCOPED_TRACE(id.toStdString());
        EXPECT_EQ(row.contains(u"closed"), closed.contains(id));
        if (closed.contains(id)) {
            EXPECT_EQ(row.value(u"closed"), closed.value(id));
        }
        EXPECT_EQ(row.value(u"headers"), kTodayRows.contains(id)
                                             ? QJsonValue(chinese)
                                             : QJsonValue(QJsonValue::Undefined));
        const bool liveCount = kTodayRows.contains(id) && !id.endsWith(u".keyword"_s);
        EXPECT_EQ(row.value(u"value"),
                  liveCount ? QJsonValue(u"count"_s) : QJsonValue(QJsonValue::Undefined));
    }
}

TEST(TodayFile, RowsLeftAloneKeepTheClassicContent) {
    const query::EngineDefinitions& today = test::todayDefinitions();
    const query::EngineDefinitions& classic = query::builtInDefinitions();
    ASSERT_EQ(today.rows().size(), classic.rows().size());
    for (std::size_t i = 0; i < today.rows().size(); ++i) {
        const QString id = QString::fromUtf16(today.rows()[i].id);
        if (kTodayRows.contains(id))
            continue;
        QJsonObject mine = today.rowObject(i);
        QJsonObject theirs = classic.rowObject(i);
        // A gone service keeps its classic row beside the year it closed.
        mine.remove(u"note"_s);
        mine.remove(u"closed"_s);
        theirs.remove(u"note"_s);
        EXPECT_EQ(mine, theirs) << id.toStdString();
    }
}

TEST(TodayCountRows, AskTodaysPathsAsABrowserWould) {
    const struct {
        const char* row;
        const char* target; // after the host's origin
    } cases[] = {
        {"baidu.site", "/s?wd=site%3Aab.example&ie=utf-8"},
        {"baidu.domain", "/s?wd=domain%3Aab.example&ie=utf-8"},
        {"sogou.site", "/web?query=site%3Aab.example"},
        {"sogou.link", "/web?query=link%3Aab.example"},
        {"bing.site", "/search?q=site%3Aab.example"},
        {"bing.link", "/search?q=link%3Aab.example"},
        {"google.site", "/search?hl=zh-CN&q=site%3Aab.example"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        const query::CountProbeSpec& probe = todayProbe(QString::fromLatin1(c.row));
        const QString origin = platform::originFor(QString::fromUtf16(probe.row->hostKey));
        EXPECT_EQ(query::CountProbeUrl(probe, u"ab.example"_s), origin + QLatin1String(c.target));
        EXPECT_EQ(probe.row->mode, query::FetchMode::CharsetText);
        EXPECT_TRUE(probe.row->followRedirects);
        ASSERT_NE(probe.row->userAgent, nullptr);
        EXPECT_TRUE(QStringView(probe.row->userAgent).startsWith(u"Mozilla/5.0 ("));
    }
}

TEST(TodayCountRows, ReadEachPageAsAPersonWould) {
    const struct {
        const char* row;
        const char* page;
        const char* finalUrl; // where a redirect ended; null: the row's own URL
        const char* value;
        query::FallbackReason reason;
        const char* detail;
        int pattern; // which pattern read, from 0; -1 for none
    } cases[] = {
        // The site notice wins over the result line on the same page.
        {"baidu.site", "baidu-site-notice.html", nullptr, "2848", query::FallbackReason::None, "",
         0},
        {"baidu.site", "baidu-site-line.html", nullptr, "1230", query::FallbackReason::None, "", 1},
        // The count kind multiplies the units out.
        {"baidu.domain", "baidu-site-large.html", nullptr, "123450000", query::FallbackReason::None,
         "", 1},
        {"baidu.site", "baidu-keyword.html", nullptr, "0", query::FallbackReason::NoMatch, "", -1},
        {"baidu.site", "baidu-block.html", nullptr, "0", query::FallbackReason::Blocked, "title",
         -1},
        {"baidu.site", "sogou-site.html",
         "https://wappass.baidu.com/static/captcha/tuxing.html?ak=x", "0",
         query::FallbackReason::Blocked, "url-host", -1},
        {"sogou.site", "sogou-site.html", nullptr, "4527", query::FallbackReason::None, "", 0},
        {"sogou.link", "sogou-site.html", nullptr, "4527", query::FallbackReason::None, "", 0},
        {"sogou.site", "sogou-click-captcha.html", nullptr, "0", query::FallbackReason::Blocked,
         "small-body", -1},
        {"sogou.site", "bing-site-en.html", "https://www.sogou.com/antispider/?from=%2Fweb", "0",
         query::FallbackReason::Blocked, "url-path", -1},
        {"bing.site", "bing-site-en.html", nullptr, "52", query::FallbackReason::None, "", 0},
        {"bing.site", "bing-site-zh.html", nullptr, "29100", query::FallbackReason::None, "", 1},
        {"bing.link", "bing-site-zh.html", nullptr, "29100", query::FallbackReason::None, "", 1},
        {"bing.site", "bing-site-dots.html", nullptr, "3400000", query::FallbackReason::None, "",
         0},
        // A real zero.
        {"bing.site", "bing-noresults.html", nullptr, "0", query::FallbackReason::None, "", -1},
        {"bing.site", "bing-keyword.html", nullptr, "0", query::FallbackReason::NoMatch, "", -1},
        {"bing.site", "bing-challenge.html", nullptr, "0", query::FallbackReason::Blocked, "body",
         -1},
        {"google.site", "google-result-stats.html", nullptr, "1234", query::FallbackReason::None,
         "", 0},
        // Today's page holds no count without JavaScript: no number rather than a wrong one.
        {"google.site", "google-needs-script.html", nullptr, "0", query::FallbackReason::NoMatch,
         "", -1},
        {"google.site", "google-noresults.html", nullptr, "0", query::FallbackReason::None, "", -1},
        {"google.site", "google-sorry.html", nullptr, "0", query::FallbackReason::Blocked,
         "small-body", -1},
        {"google.site", "google-keyword.html", "https://www.google.com/sorry/index?continue=x", "0",
         query::FallbackReason::Blocked, "url-path", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.row) + " over " + c.page);
        const QByteArray bytes = test::todayPage(QString::fromLatin1(c.page));
        ASSERT_FALSE(bytes.isEmpty());
        const query::CountProbeSpec& probe = todayProbe(QString::fromLatin1(c.row));
        query::FetchRequest request = query::CountProbeRequest(probe, u"ab.example"_s);
        if (c.finalUrl)
            request.url = QString::fromLatin1(c.finalUrl);
        const platform::PageText page(
            query::DecodePage(bytes, probe.row->mode, u"text/html; charset=utf-8"_s));
        const query::FetchOutcome outcome = query::ExtractFromPage(request, page);
        EXPECT_EQ(outcome.value, QString::fromUtf8(c.value));
        EXPECT_EQ(query::reasonName(outcome.reason), query::reasonName(c.reason));
        EXPECT_EQ(outcome.detail, QString::fromLatin1(c.detail));
        EXPECT_EQ(outcome.patternIndex, c.pattern);
    }
}

// Over loopback: the UTF-8 answer decoded by its header, and a redirect to the captcha path
// followed and named as the block it is.
TEST(TodayCountRows, FetchFollowsToTheBlockPageAndDecodesUtf8) {
    const query::ScopedDefinitions inUse(test::todayDefinitions());
    test::FixtureWeb web;
    const QByteArray utf8 = "Content-Type: text/html; charset=utf-8";
    web.route(
        u"bing"_s, "/search?q=site%3Aab.example",
        test::httpResponse("HTTP/1.1 200 OK", {utf8}, test::todayPage(u"bing-site-zh.html"_s)));
    web.routeRedirect(u"sogou"_s, "/web?query=site%3Aab.example", "/antispider/?from=%2Fweb");
    web.route(u"sogou"_s, "/antispider/?from=%2Fweb",
              test::httpResponse("HTTP/1.1 200 OK", {utf8},
                                 test::todayPage(u"sogou-click-captcha.html"_s)));
    web.route(
        u"baidu"_s, "/s?wd=site%3Aab.example&ie=utf-8",
        test::httpResponse("HTTP/1.1 200 OK", {utf8}, test::todayPage(u"baidu-block.html"_s)));

    const query::FetchOutcome bing =
        query::RunCountProbe(todayProbe(u"bing.site"_s), u"ab.example"_s, {});
    EXPECT_EQ(bing.value, u"29100"_s);
    EXPECT_EQ(bing.reason, query::FallbackReason::None) << bing.errorMessage.toStdString();

    const query::FetchOutcome sogou =
        query::RunCountProbe(todayProbe(u"sogou.site"_s), u"ab.example"_s, {});
    EXPECT_EQ(sogou.reason, query::FallbackReason::Blocked) << sogou.errorMessage.toStdString();
    EXPECT_EQ(sogou.detail, u"url-path"_s);
    EXPECT_EQ(web.requestLines(u"sogou"_s),
              (QStringList{u"GET /web?query=site%3Aab.example HTTP/1.1"_s,
                           u"GET /antispider/?from=%2Fweb HTTP/1.1"_s}));

    const query::FetchOutcome baidu =
        query::RunCountProbe(todayProbe(u"baidu.site"_s), u"ab.example"_s, {});
    EXPECT_EQ(baidu.reason, query::FallbackReason::Blocked) << baidu.errorMessage.toStdString();
    EXPECT_EQ(baidu.detail, u"title"_s);
    // The browser-like client identity goes out.
    ASSERT_EQ(web.requests(u"baidu"_s).size(), 1);
    EXPECT_TRUE(web.requests(u"baidu"_s).first().contains("\r\nUser-Agent: Mozilla/5.0 ("));
    EXPECT_TRUE(
        web.requests(u"baidu"_s).first().contains("\r\nAccept-Language: zh-CN,zh;q=0.9\r\n"));
}

// A gone service is asked nothing, whatever its host, and its value says when it closed.
TEST(TodayFile, AClosedServiceSendsNothingAndSaysWhen) {
    for (const char* id : {"soso.site", "yahoo.link"}) {
        SCOPED_TRACE(id);
        const query::FetchOutcome fetched =
            query::RunCountProbe(todayProbe(QString::fromLatin1(id)), u"ab.example"_s, {});
        EXPECT_EQ(query::reasonName(fetched.reason), u"closed"_s);
        EXPECT_FALSE(query::isFault(fetched.reason));
        EXPECT_EQ(fetched.value, u"0"_s);
        const query::Outcome outcome = query::outcomeOf(fetched);
        EXPECT_EQ(query::OutcomeToolTip(outcome),
                  QStringLiteral("该服务已于 %1 年关闭").arg(fetched.detail));
    }
    EXPECT_EQ(query::OutcomeToolTip({query::FallbackReason::Closed, {}, u"x.example"_s}),
              u"该服务已关闭"_s);
}

} // namespace
} // namespace kelvane
