// The keyword rows of data/engines-today.json, run by the keyword search over loopback: the
// UTF-8 keyword in today's paths, one entry per organic result on today's markup, and each
// engine's block page ending the search as blocked.
#include "keyword/keyword_rank_search.h"
#include "query/engine_definitions.h"
#include "query/outcome.h"
#include "support/fixture_web.h"
#include "support/today_definitions.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::Literals::StringLiterals;

const QString kSite = u"www.ab.example"_s;
// "网站" in UTF-8, percent-encoded.
const QString kKeyword = u"网站"_s;
const QByteArray kUtf8 = "Content-Type: text/html; charset=utf-8";

QByteArray okUtf8(const QString& page) {
    return test::httpResponse("HTTP/1.1 200 OK", {kUtf8}, test::todayPage(page));
}

TEST(TodayKeywordRows, CountOnlyOrganicResultsOnTodaysMarkup) {
    const query::ScopedDefinitions inUse(test::todayDefinitions());
    const struct {
        query::EngineId engine;
        const char* hostKey;
        const char* target;
        const char* page;
        qint64 rank;
    } cases[] = {
        // A block without mu= is not a result: the site's block is the third that has one.
        {query::EngineId::Baidu, "baidu", "/s?wd=%E7%BD%91%E7%AB%99&pn=0&ie=utf-8",
         "baidu-keyword.html", 3},
        {query::EngineId::Sogou, "sogou", "/web?query=%E7%BD%91%E7%AB%99&page=1&ie=utf8",
         "sogou-keyword.html", 2},
        // The sponsored entry holds the site too, and is not counted.
        {query::EngineId::Bing, "bing", "/search?q=%E7%BD%91%E7%AB%99&filt=all&first=1",
         "bing-keyword.html", 2},
        // Each result shows its cite twice; counted by its heading link, it is third, not fifth.
        {query::EngineId::Google, "google", "/search?hl=zh-CN&q=%E7%BD%91%E7%AB%99&start=0",
         "google-keyword.html", 3},
        {query::EngineId::Google, "google", "/search?hl=zh-CN&q=%E7%BD%91%E7%AB%99&start=0",
         "google-keyword-nojs.html", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        test::FixtureWeb web;
        web.route(QString::fromLatin1(c.hostKey), c.target, okUtf8(QString::fromLatin1(c.page)));
        const keyword::RankSearchResult result =
            keyword::KeywordRankSearch(c.engine, kSite, kKeyword, 1, 1, {});
        EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Found) << result.text.toStdString();
        EXPECT_EQ(result.rank, c.rank);
        EXPECT_EQ(web.requestLines(QString::fromLatin1(c.hostKey)),
                  QStringList{u"GET "_s + QString::fromLatin1(c.target) + u" HTTP/1.1"_s});
    }
}

TEST(TodayKeywordRows, ASiteOnNoResultIsNotFound) {
    const query::ScopedDefinitions inUse(test::todayDefinitions());
    test::FixtureWeb web;
    web.route(u"bing"_s, "/search?q=%E7%BD%91%E7%AB%99&filt=all&first=1",
              okUtf8(u"bing-keyword.html"_s));
    const keyword::RankSearchResult result =
        keyword::KeywordRankSearch(query::EngineId::Bing, u"nowhere.example"_s, kKeyword, 1, 1, {});
    EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::NotFound);
    EXPECT_EQ(result.why.reason, query::FallbackReason::NoMatch);
}

TEST(TodayKeywordRows, BlockPagesEndTheSearchAsBlocked) {
    const query::ScopedDefinitions inUse(test::todayDefinitions());
    const struct {
        query::EngineId engine;
        const char* hostKey;
        const char* target;
        const char* redirectTo; // null: the block page comes with HTTP 200
        const char* page;
        const char* sign;
    } cases[] = {
        {query::EngineId::Baidu, "baidu", "/s?wd=%E7%BD%91%E7%AB%99&pn=0&ie=utf-8", nullptr,
         "baidu-block.html", "title"},
        {query::EngineId::Sogou, "sogou", "/web?query=%E7%BD%91%E7%AB%99&page=1&ie=utf8", nullptr,
         "sogou-click-captcha.html", "small-body"},
        {query::EngineId::Sogou, "sogou", "/web?query=%E7%BD%91%E7%AB%99&page=1&ie=utf8",
         "/antispider/?from=%2Fweb", "sogou-click-captcha.html", "url-path"},
        {query::EngineId::Bing, "bing", "/search?q=%E7%BD%91%E7%AB%99&filt=all&first=1", nullptr,
         "bing-challenge.html", "body"},
        {query::EngineId::Google, "google", "/search?hl=zh-CN&q=%E7%BD%91%E7%AB%99&start=0",
         "/sorry/index?continue=x", "google-sorry.html", "url-path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.page) + (c.redirectTo ? " after a redirect" : ""));
        test::FixtureWeb web;
        const QString key = QString::fromLatin1(c.hostKey);
        if (c.redirectTo) {
            web.routeRedirect(key, c.target, c.redirectTo);
            web.route(key, c.redirectTo, okUtf8(QString::fromLatin1(c.page)));
        } else {
            web.route(key, c.target, okUtf8(QString::fromLatin1(c.page)));
        }
        const keyword::RankSearchResult result =
            keyword::KeywordRankSearch(c.engine, kSite, kKeyword, 1, 3, {});
        EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Failed);
        EXPECT_EQ(result.why.reason, query::FallbackReason::Blocked)
            << result.errorMessage.toStdString();
        EXPECT_EQ(result.why.detail, QString::fromLatin1(c.sign));
        // The first block page ends the search: no later page is asked.
        EXPECT_EQ(web.requests(key).size(), c.redirectTo ? 2 : 1);
    }
}

} // namespace
} // namespace kelvane
