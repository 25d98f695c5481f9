#include "keyword/keyword_rank_search.h"
#include "keyword/keyword_web.h"
#include "platform/locale_format.h"
#include "support/fixture_web.h"
#include "support/hosts_override.h"
#include "support/scripted_http_server.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace kelvane {
namespace {

using test::entry;
using test::hostKey;
using test::httpResponse;
using test::kEngineUrls;
using test::okPage;
using test::otherEntries;
using test::pageTarget;
using test::resultPage;

const QString kSite = QStringLiteral("www.ab.example");
const QString kKeyword = QStringLiteral("kw");

QString engineName(query::EngineId engine) {
    return QString::fromLatin1(test::urlCase(engine).name);
}

class KeywordRankSearchTest : public testing::Test {
protected:
    // Pages 1 to pages.size() of the engine, keyword "kw".
    void routePages(query::EngineId engine, const QList<QStringList>& pages) {
        for (int p = 1; p <= pages.size(); ++p)
            web.route(hostKey(engine), pageTarget(engine, "kw", p),
                      okPage(resultPage(engine, pages[p - 1])));
    }
    QString url(query::EngineId engine, int page, const QByteArray& keyword = "kw") const {
        return QStringLiteral("http://") + web.hostPort(hostKey(engine)) +
               QString::fromLatin1(pageTarget(engine, keyword, page));
    }
    QStringList targets(query::EngineId engine) const {
        QStringList lines = web.requestLines(hostKey(engine));
        for (QString& line : lines)
            line = line.section(u' ', 1, 1);
        return lines;
    }
    keyword::RankSearchResult search(query::EngineId engine, const QString& site, int start,
                                     int end, const QString& keyword = kKeyword) {
        progress.clear();
        return keyword::KeywordRankSearch(engine, site, keyword, start, end,
                                          [this](const QString& text) { progress << text; });
    }

    test::FixtureWeb web;
    QStringList progress;
};

TEST_F(KeywordRankSearchTest, ThirdEntryOfPageTwoIsRankThirteenAndStopsTheSearch) {
    for (const auto& c : kEngineUrls) {
        SCOPED_TRACE(c.name);
        QStringList pageTwo = otherEntries(2);
        pageTwo << QStringLiteral("<b>www.ab.example</b>/index.html") << otherEntries(7);
        routePages(c.engine, {otherEntries(10), pageTwo, otherEntries(10), otherEntries(10)});
        const keyword::RankSearchResult result = search(c.engine, kSite, 1, 5);
        EXPECT_EQ(result.text, QStringLiteral("搜索排名第 13 位"));
        EXPECT_EQ(result.rank, 13);
        EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Found);
        EXPECT_EQ(result.lastUrl, url(c.engine, 2));
        EXPECT_EQ(targets(c.engine),
                  (QStringList{QString::fromLatin1(pageTarget(c.engine, "kw", 1)),
                               QString::fromLatin1(pageTarget(c.engine, "kw", 2))}));
        EXPECT_EQ(progress, (QStringList{QStringLiteral("正在查询第 1 页"),
                                         QStringLiteral("正在查询第 2 页")}));
    }
}

TEST_F(KeywordRankSearchTest, SiteOnNoPageRequestsEveryPageAndKeepsTheLastUrl) {
    for (const auto& c : kEngineUrls) {
        SCOPED_TRACE(c.name);
        routePages(c.engine, QList<QStringList>(5, otherEntries(10)));
        const keyword::RankSearchResult result = search(c.engine, kSite, 1, 5);
        EXPECT_EQ(result.text, QStringLiteral("搜索排名第 0 位"));
        EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::NotFound);
        EXPECT_EQ(result.lastUrl, url(c.engine, 5));
        QStringList expected;
        for (int p = 1; p <= 5; ++p)
            expected << QString::fromLatin1(pageTarget(c.engine, "kw", p));
        EXPECT_EQ(targets(c.engine), expected);
        EXPECT_EQ(progress.size(), 5);
        EXPECT_EQ(progress.last(), QStringLiteral("正在查询第 5 页"));
    }
}

TEST_F(KeywordRankSearchTest, EndBeforeStartRequestsNothing) {
    for (const auto& c : kEngineUrls) {
        SCOPED_TRACE(c.name);
        const keyword::RankSearchResult result = search(c.engine, kSite, 6, 5);
        EXPECT_EQ(result.text, QStringLiteral("搜索排名第 0 位"));
        EXPECT_TRUE(result.lastUrl.isEmpty());
        EXPECT_TRUE(progress.isEmpty());
        EXPECT_TRUE(web.requests(hostKey(c.engine)).isEmpty());
    }
}

TEST_F(KeywordRankSearchTest, PageThreeEndsWithTheEnginesPageValue) {
    const struct {
        query::EngineId engine;
        const char* target;
    } cases[] = {
        {query::EngineId::Baidu, "/s?wd=kw&pn=20"},
        {query::EngineId::Google, "/search?hl=zh-CN&q=kw&start=20"},
        {query::EngineId::Yahoo, "/s?p=kw&b=20"},
        {query::EngineId::Sogou, "/web?query=kw&page=3"},
        {query::EngineId::Soso, "/q?w=kw&pg=3"},
        {query::EngineId::Youdao, "/search?q=kw&start=20"},
        {query::EngineId::Bing, "/search?q=kw&filt=all&first=21"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        web.route(hostKey(c.engine), c.target, okPage(resultPage(c.engine, {kSite})));
        const keyword::RankSearchResult result = search(c.engine, kSite, 3, 3);
        EXPECT_EQ(result.rank, 21);
        EXPECT_EQ(targets(c.engine), QStringList{QString::fromLatin1(c.target)});
    }
}

TEST_F(KeywordRankSearchTest, SiteTestIgnoresCaseAndIsASubstringSearch) {
    const struct {
        const char* name;
        QString site;
        QString entryText;
        bool found;
    } cases[] = {
        {"upper-case site, lower-case entry", QStringLiteral("WWW.AB.EXAMPLE"),
         QStringLiteral("www.ab.example/"), true},
        {"lower-case site, mixed entry", QStringLiteral("www.ab.example"),
         QStringLiteral("WwW.Ab.Example/x"), true},
        {"leading scheme", QStringLiteral("http://www.ab.example"),
         QStringLiteral("www.ab.example/"), false},
        {"site split by a tag", kSite, QStringLiteral("www.<b>ab</b>.example"), false},
        {"dot is no wildcard", QStringLiteral("a.b(c+"), QStringLiteral("axb(c+"), false},
        {"metacharacters as text", QStringLiteral("a.b(c+[?*"), QStringLiteral("x a.b(c+[?* y"),
         true},
        {"non-ASCII letters fold", QStringLiteral("ÉCOLE.EXAMPLE"), QStringLiteral("école.example"),
         true},
        {"Chinese site", QStringLiteral("中文站"), QStringLiteral("欢迎来到中文站"), true},
    };
    const platform::ScopedFormatLocale locale(QLocale(QLocale::Chinese, QLocale::China));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FixtureWeb caseWeb;
        caseWeb.route(
            QStringLiteral("baidu"), pageTarget(query::EngineId::Baidu, "kw", 1),
            okPage(resultPage(query::EngineId::Baidu, {QStringLiteral("x"), c.entryText})));
        const keyword::RankSearchResult result = search(query::EngineId::Baidu, c.site, 1, 1);
        EXPECT_EQ(result.rank, c.found ? 2 : 0);
    }
}

TEST_F(KeywordRankSearchTest, EmptySiteNeverMatches) {
    routePages(query::EngineId::Youdao, QList<QStringList>(3, otherEntries(10)));
    const keyword::RankSearchResult result = search(query::EngineId::Youdao, QString(), 1, 3);
    EXPECT_EQ(result.text, QStringLiteral("搜索排名第 0 位"));
    EXPECT_EQ(targets(query::EngineId::Youdao).size(), 3);
}

TEST_F(KeywordRankSearchTest, RankCountsEveryMatchOfAPage) {
    const struct {
        const char* name;
        QList<QStringList> pages;
        int rank;
    } cases[] = {
        {"twelfth entry of page 1", {otherEntries(11) << kSite}, 12},
        {"twelfth entry of page 2", {otherEntries(12), otherEntries(11) << kSite}, 22},
        {"short page 1 still advances by ten", {otherEntries(3), QStringList{kSite}}, 11},
        {"empty page 1", {QStringList{}, QStringList{kSite}}, 11},
        {"first of two holding the site", {QStringList{kSite, kSite}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FixtureWeb caseWeb;
        for (int p = 1; p <= c.pages.size(); ++p)
            caseWeb.route(QStringLiteral("bing"), pageTarget(query::EngineId::Bing, "kw", p),
                          okPage(resultPage(query::EngineId::Bing, c.pages[p - 1])));
        EXPECT_EQ(search(query::EngineId::Bing, kSite, 1, 5).rank, c.rank);
    }
}

TEST_F(KeywordRankSearchTest, EntriesSpanLinesAndPatternsKeepTheirCase) {
    // A lazy entry across CR LF matches; an upper-case tag is not an entry.
    const QByteArray page = platform::toAnsi(
        QStringLiteral("<H3>www.ab.example</H3>\r\n<h3>first\r\nline\r\nwww.ab.example</h3>"));
    web.route(QStringLiteral("soso"), pageTarget(query::EngineId::Soso, "kw", 1), okPage(page));
    EXPECT_EQ(search(query::EngineId::Soso, kSite, 1, 1).rank, 1);
}

TEST_F(KeywordRankSearchTest, PagesAreDecodedAsAnsiWhateverTheyDeclare) {
    web.route(QStringLiteral("bing"), pageTarget(query::EngineId::Bing, "kw", 1),
              okPage(resultPage(query::EngineId::Bing, {QStringLiteral("欢迎来到中文站")}),
                     "text/html; charset=utf-8"));
    EXPECT_EQ(search(query::EngineId::Bing, QStringLiteral("中文站"), 1, 1).rank, 1);
}

TEST_F(KeywordRankSearchTest, RequestsCarryNoUserAgentAndFollowRedirects) {
    web.routeRedirect(QStringLiteral("google_cn"), pageTarget(query::EngineId::Google, "kw", 1),
                      "/search?hl=zh-CN&q=kw&start=0&moved=1");
    web.route(QStringLiteral("google_cn"), "/search?hl=zh-CN&q=kw&start=0&moved=1",
              okPage(resultPage(query::EngineId::Google, {kSite})));
    const keyword::RankSearchResult result = search(query::EngineId::Google, kSite, 1, 1);
    EXPECT_EQ(result.rank, 1);
    EXPECT_EQ(result.lastUrl, url(query::EngineId::Google, 1)) << "the URL built, not the redirect";
    const QList<QByteArray> requests = web.requests(QStringLiteral("google_cn"));
    ASSERT_EQ(requests.size(), 2);
    for (const QByteArray& request : requests) {
        EXPECT_EQ(request.count("\r\n"), 5)
            << request.constData(); // request line, 3 headers, blank
        EXPECT_TRUE(test::requestHeader(request, "User-Agent").isEmpty());
    }
}

// A redirect to the engine's captcha over https, which the original cannot follow, still ends
// the search as blocked rather than as a failed connection.
TEST_F(KeywordRankSearchTest, ACaptchaRedirectToHttpsIsABlock) {
    web.routeRedirect(QStringLiteral("baidu"), pageTarget(query::EngineId::Baidu, "kw", 1),
                      "https://wappass.baidu.com/static/captcha?tpl=x");
    const keyword::RankSearchResult result = search(query::EngineId::Baidu, kSite, 1, 1);
    EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Failed);
    EXPECT_EQ(result.why.reason, query::FallbackReason::Blocked);
    EXPECT_EQ(result.why.detail, QStringLiteral("location-host"));
    EXPECT_EQ(web.requests(QStringLiteral("baidu")).size(), 1);
}

// A failure ends the search with the engine's own error text and the URL being requested.
TEST_F(KeywordRankSearchTest, FailureGivesTheEnginesErrorTextAndTheFailingUrl) {
    const struct {
        query::EngineId engine;
        QString text;
    } cases[] = {
        {query::EngineId::Baidu, QStringLiteral("查询出错，请重试!")},
        {query::EngineId::Google, QStringLiteral("查询失败，请重试!")},
        {query::EngineId::Yahoo, QStringLiteral("查询出错，请重试!")},
        {query::EngineId::Sogou, QStringLiteral("查询出错,请重试!")},
        {query::EngineId::Soso, QStringLiteral("查询出错，请重试!")},
        {query::EngineId::Youdao, QStringLiteral("查询出错，请重试!")},
        {query::EngineId::Bing, QStringLiteral("查询出错，请重试!")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(engineName(c.engine).toStdString());
        // Pages 1 and 2 hold no match; page 3 is not routed (404); pages 4 and 5 would match.
        routePages(c.engine, {otherEntries(10), otherEntries(10)});
        web.route(hostKey(c.engine), pageTarget(c.engine, "kw", 4),
                  okPage(resultPage(c.engine, {kSite})));
        int created = 0;
        int released = 0;
        const keyword::ScopedWorkingStateWatch watch({[&] { ++created; }, [&] { ++released; }});
        const keyword::RankSearchResult result = search(c.engine, kSite, 1, 5);
        EXPECT_EQ(result.text, c.text);
        EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Failed);
        EXPECT_EQ(result.lastUrl, url(c.engine, 3));
        EXPECT_EQ(created, 1);
        EXPECT_EQ(released, 1);
        EXPECT_EQ(targets(c.engine).size(), 3) << "pages after the failing one are not requested";
        EXPECT_FALSE(result.errorMessage.isEmpty());
    }
}

TEST_F(KeywordRankSearchTest, FailuresOfEveryKindAreCaught) {
    const struct {
        const char* name;
        test::Reply reply;
    } cases[] = {
        {"server error", httpResponse("HTTP/1.1 500 Internal Server Error")},
        {"closed before the status line", test::Reply().close()},
        {"redirect loop", httpResponse("HTTP/1.1 302 Found", {"Location: /s?wd=kw&pn=0"})},
        {"redirect to https", httpResponse("HTTP/1.1 302 Found", {"Location: https://x.example/"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FixtureWeb caseWeb;
        caseWeb.route(QStringLiteral("baidu"), pageTarget(query::EngineId::Baidu, "kw", 1),
                      c.reply);
        const keyword::RankSearchResult result = search(query::EngineId::Baidu, kSite, 1, 1);
        // The redirect loop ends without an error and without a body: no match.
        EXPECT_EQ(result.outcome, std::string_view(c.name) == "redirect loop"
                                      ? keyword::RankSearchOutcome::NotFound
                                      : keyword::RankSearchOutcome::Failed);
    }
}

TEST_F(KeywordRankSearchTest, RefusedConnectionIsCaught) {
    quint16 closedPort = 0;
    {
        test::ScriptedHttpServer gone;
        closedPort = gone.port();
    }
    const test::HostsOverride hosts(
        {{QStringLiteral("sogou"), QStringLiteral("127.0.0.1:%1").arg(closedPort)}});
    const keyword::RankSearchResult result = search(query::EngineId::Sogou, kSite, 1, 5);
    EXPECT_EQ(result.text, QStringLiteral("查询出错,请重试!"));
    EXPECT_EQ(result.lastUrl,
              QStringLiteral("http://127.0.0.1:%1/web?query=kw&page=1").arg(closedPort));
}

TEST_F(KeywordRankSearchTest, ASilentServerEndsTheSearchAfterTheReadTimeOut) {
    web.route(QStringLiteral("youdao"), pageTarget(query::EngineId::Youdao, "kw", 1),
              test::Reply().silent());
    QElapsedTimer timer;
    timer.start();
    const keyword::RankSearchResult result = search(query::EngineId::Youdao, kSite, 1, 5);
    EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Failed);
    EXPECT_GE(timer.elapsed(), 900);
    EXPECT_LT(timer.elapsed(), 5000);
}

// Baidu and Google guard the page loop only; the others the whole search.
TEST_F(KeywordRankSearchTest, FailureBeforeTheFirstPageIsCaughtOnlyWhereGuarded) {
    const keyword::WorkingStateWatch failing{
        [] { throw std::runtime_error("no memory for the client"); }, {}};
    const keyword::ScopedWorkingStateWatch watch(failing);
    for (const auto& c : kEngineUrls) {
        SCOPED_TRACE(c.name);
        const bool pageLoopOnly =
            c.engine == query::EngineId::Baidu || c.engine == query::EngineId::Google;
        if (pageLoopOnly) {
            EXPECT_THROW(search(c.engine, kSite, 1, 5), std::runtime_error);
        } else {
            const keyword::RankSearchResult result = search(c.engine, kSite, 1, 5);
            EXPECT_EQ(result.outcome, keyword::RankSearchOutcome::Failed);
            EXPECT_TRUE(result.lastUrl.isEmpty());
            EXPECT_EQ(result.errorMessage, QStringLiteral("no memory for the client"));
        }
        EXPECT_TRUE(progress.isEmpty());
        EXPECT_TRUE(web.requests(hostKey(c.engine)).isEmpty());
    }
}

TEST_F(KeywordRankSearchTest, WorkingStateIsReleasedOnceOnEveryPath) {
    routePages(query::EngineId::Yahoo, {otherEntries(3), QStringList{kSite}});
    const struct {
        const char* name;
        int start;
        int end;
    } cases[] = {
        {"found", 1, 2}, {"not found", 1, 1}, {"nothing requested", 2, 1}, {"failed", 1, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int created = 0;
        int released = 0;
        {
            const keyword::ScopedWorkingStateWatch watch({[&] { ++created; }, [&] { ++released; }});
            search(query::EngineId::Yahoo, kSite, c.start, c.end);
        }
        EXPECT_EQ(created, 1);
        EXPECT_EQ(released, 1);
    }
}

TEST_F(KeywordRankSearchTest, ProgressArrivesBeforeEachRequest) {
    routePages(query::EngineId::Sogou, QList<QStringList>(3, otherEntries(10)));
    QList<int> requestsSeen;
    keyword::KeywordRankSearch(query::EngineId::Sogou, kSite, kKeyword, 1, 3, [&](const QString&) {
        requestsSeen << static_cast<int>(web.requests(QStringLiteral("sogou")).size());
    });
    EXPECT_EQ(requestsSeen, (QList<int>{0, 1, 2}));
}

// One client serves every page: its cookies and its kept-alive connection carry over.
TEST_F(KeywordRankSearchTest, OneClientForAllPagesOfASearch) {
    test::ScriptedHttpServer server;
    const test::HostsOverride hosts({{QStringLiteral("baidu"), server.hostPort()}});
    server.setHandler([](const QByteArray& request) -> test::Reply {
        if (test::requestTarget(request) == "/s?wd=kw&pn=0")
            return httpResponse("HTTP/1.1 200 OK", {"Set-Cookie: BAIDUID=abc; Path=/"}, "<p>");
        return httpResponse("HTTP/1.1 200 OK", {}, "<p>");
    });
    search(query::EngineId::Baidu, kSite, 1, 3);
    search(query::EngineId::Baidu, kSite, 1, 1);
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_TRUE(test::requestHeader(requests[0], "Cookie").isEmpty());
    EXPECT_EQ(test::requestHeader(requests[1], "Cookie"), "BAIDUID=abc");
    EXPECT_EQ(test::requestHeader(requests[2], "Cookie"), "BAIDUID=abc");
    EXPECT_TRUE(test::requestHeader(requests[3], "Cookie").isEmpty())
        << "a new search, a new client";
    EXPECT_EQ(server.acceptedConnections(), 2);
}

TEST_F(KeywordRankSearchTest, PageNumbersAtTheBoundsDoNotOverflow) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    web.route(QStringLiteral("baidu"), "/s?wd=kw&pn=21474836460",
              okPage(resultPage(query::EngineId::Baidu, {kSite})));
    const keyword::RankSearchResult top = search(query::EngineId::Baidu, kSite, kMax, kMax);
    EXPECT_EQ(top.text, QStringLiteral("搜索排名第 21474836461 位"));
    EXPECT_EQ(progress, QStringList{QStringLiteral("正在查询第 2147483647 页")});

    web.route(QStringLiteral("bing"), "/search?q=kw&filt=all&first=-21474836489",
              okPage(resultPage(query::EngineId::Bing, otherEntries(2))));
    const keyword::RankSearchResult bottom = search(query::EngineId::Bing, kSite, kMin, kMin);
    EXPECT_EQ(bottom.outcome, keyword::RankSearchOutcome::NotFound);
    EXPECT_EQ(targets(query::EngineId::Bing),
              QStringList{QStringLiteral("/search?q=kw&filt=all&first=-21474836489")});

    // The end of the range is reached without wrapping round.
    web.route(QStringLiteral("sogou"), "/web?query=kw&page=2147483647",
              okPage(resultPage(query::EngineId::Sogou, otherEntries(1))));
    EXPECT_EQ(search(query::EngineId::Sogou, kSite, kMax, kMax).outcome,
              keyword::RankSearchOutcome::NotFound);
    EXPECT_EQ(targets(query::EngineId::Sogou).size(), 1);
}

TEST_F(KeywordRankSearchTest, LargePagesAreMatchedWhole) {
    const struct {
        const char* name;
        QByteArray page;
        qint64 rank;
    } cases[] = {
        {"8 MB of entries, the site last",
         resultPage(query::EngineId::Baidu, otherEntries(60000) << kSite), 60001},
        {"8 MB of openers and no closer",
         QByteArray("<font color=\"#008000\">www.ab.example ").repeated(200000), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FixtureWeb caseWeb;
        caseWeb.route(QStringLiteral("baidu"), pageTarget(query::EngineId::Baidu, "kw", 1),
                      okPage(c.page));
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(search(query::EngineId::Baidu, kSite, 1, 1).rank, c.rank);
        EXPECT_LT(timer.elapsed(), 20000);
    }
}

} // namespace
} // namespace kelvane
