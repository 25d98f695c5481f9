#include "query/site_query_driver.h"
#include "query/site_query_state.h"
#include "query/standard_probes.h"
#include "support/fixture_web.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

query::SiteQueryOptions everythingTicked() {
    return query::SiteQueryOptions{true, true, true, true, true, true,
                                   true, true, true, true, true};
}

class SiteQueryEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        web.addStandardSite();
        view.txtUrl = QStringLiteral("ab.example");
        view.txtUrlList = {QStringLiteral("ab.example")};
    }
    void run(const query::SiteQueryOptions& options) {
        query::SiteQueryDriver driver(
            view, options, query::StandardSiteQueryProbes([this] { ++pumps; }, context),
            [this](const QString& pr) { records << pr; }, QStringLiteral("home.example"));
        driver.run();
    }

    test::FixtureWeb web;
    std::shared_ptr<query::SiteQueryContext> context = std::make_shared<query::SiteQueryContext>();
    query::SiteQueryState view;
    QStringList records;
    int pumps = 0;
};

TEST_F(SiteQueryEndToEnd, EveryOptionFillsEveryCellAndLabel) {
    run(everythingTicked());
    const char* expected[8][3] = {
        {"", "", ""},      {"", "12300", "4560"}, {"", "1230", "45"}, {"", "2345", "678"},
        {"", "1234", "0"}, {"", "1234", "56"},    {"", "12", "1230"}, {"", "5670", "89"},
    };
    for (int column = 1; column <= 7; ++column) {
        for (int row = 1; row <= 2; ++row) {
            EXPECT_EQ(view.StringGD[column][row].toStdString(), expected[column][row])
                << "cell " << column << "," << row;
        }
    }
    EXPECT_EQ(view.ImagePR, 4);
    EXPECT_EQ(view.SouGouRankG, 0); // the link query is redirected, and the rank probe won't follow
    EXPECT_EQ(view.labelText(query::SiteLabel::lblAlexaRank), QStringLiteral("12,345"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblChinaRank), QStringLiteral("12345"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduSite), QStringLiteral("首页第一"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduKz), QStringLiteral("12K 2010-1-26"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleSite), QStringLiteral("首页第一"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleKz), QStringLiteral("2009-12-3"));
    EXPECT_EQ(records, QStringList{QStringLiteral("4")});
    // Every probe but the PageRank and Baidu site probes lets the window repaint once.
    EXPECT_EQ(pumps, 3 + 13);
    EXPECT_TRUE(context->BaiduLastPage.isEmpty()); // the snapshot probe took it
    EXPECT_TRUE(context->GoogleLastPage.contains(QStringLiteral("获得约")));
}

TEST_F(SiteQueryEndToEnd, RequestsAreExactlyTheProbeUrls) {
    run(everythingTicked());
    const struct {
        const char* key;
        QStringList lines;
    } cases[] = {
        {"home",
         {QStringLiteral("GET /pr/?domain=ab.example HTTP/1.1"),
          QStringLiteral("GET /api/alexa.asp?d=ab.example HTTP/1.1")}},
        {"chinarank",
         {QStringLiteral("GET /overview/Info.do?url=ab.example HTTP/1.1"),
          QStringLiteral("GET /overview/Info.do?url=ab.example&lang=zh HTTP/1.1")}},
        {"baidu",
         {QStringLiteral("GET /s?wd=site:ab.example HTTP/1.1"),
          QStringLiteral("GET /s?wd=domain:ab.example HTTP/1.1")}},
        {"google",
         {QStringLiteral("GET /search?hl=zh-CN&q=site:ab.example HTTP/1.1"),
          QStringLiteral("GET /search?hl=zh-CN&q=link:ab.example HTTP/1.1"),
          QStringLiteral("GET /search?q=cache:abc:ab.example/&hl=zh-CN&strip=1 HTTP/1.1")}},
        {"yahoo_explorer",
         {QStringLiteral("GET /search?p=ab.example HTTP/1.1"),
          QStringLiteral("GET /search?p=ab.example&bwm=i HTTP/1.1")}},
        {"sogou",
         {QStringLiteral("GET /web?query=link:ab.example HTTP/1.1"),
          QStringLiteral("GET /web?query=site:ab.example HTTP/1.1"),
          QStringLiteral("GET /web?query=site:ab.example&ie=gbk HTTP/1.1"),
          QStringLiteral("GET /web?query=link:ab.example HTTP/1.1")}},
        {"soso",
         {QStringLiteral("GET /q?pid=s.idx&w=site:ab.example HTTP/1.1"),
          QStringLiteral("GET /q?pid=s.idx&w=link:ab.example HTTP/1.1")}},
        {"youdao",
         {QStringLiteral("GET /search?q=site:ab.example HTTP/1.1"),
          QStringLiteral("GET /search?q=link:ab.example HTTP/1.1")}},
        {"bing",
         {QStringLiteral("GET /search?q=site:ab.example HTTP/1.1"),
          QStringLiteral("GET /search?q=link:ab.example HTTP/1.1")}},
    };
    int total = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(web.requestLines(QString::fromLatin1(c.key)), c.lines) << c.key;
        total += static_cast<int>(c.lines.size());
    }
    EXPECT_EQ(total, 21);
}

TEST_F(SiteQueryEndToEnd, UserAgentIsSentOnlyWhereTheProbeKeepsOrSetsOne) {
    run(everythingTicked());
    auto userAgent = [](const QByteArray& request) {
        return test::requestHeader(request, "User-Agent");
    };
    const QList<QByteArray> home = web.requests(QStringLiteral("home"));
    ASSERT_EQ(home.size(), 2);
    EXPECT_EQ(userAgent(home[0]), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
    EXPECT_FALSE(home[1].contains("User-Agent"));
    const QList<QByteArray> sogou = web.requests(QStringLiteral("sogou"));
    ASSERT_EQ(sogou.size(), 4);
    EXPECT_FALSE(sogou[0].contains("User-Agent"));
    EXPECT_EQ(userAgent(sogou[1]), QByteArray("MSIE 6.0"));
    EXPECT_EQ(userAgent(sogou[2]), QByteArray("MSIE 6.0"));
    EXPECT_FALSE(sogou[3].contains("User-Agent"));
    for (const char* key : {"baidu", "yahoo_explorer", "soso", "youdao", "bing", "chinarank"}) {
        for (const QByteArray& request : web.requests(QString::fromLatin1(key)))
            EXPECT_FALSE(request.contains("User-Agent")) << key;
    }
    // The cached copy is fetched with the client's own User-Agent.
    const QList<QByteArray> google = web.requests(QStringLiteral("google"));
    ASSERT_EQ(google.size(), 3);
    EXPECT_FALSE(google[0].contains("User-Agent"));
    EXPECT_TRUE(google[2].contains("User-Agent: Mozilla/3.0"));
}

TEST_F(SiteQueryEndToEnd, SharedPagesCarryOverWhenALaterFetchFails) {
    run(everythingTicked());
    // The second run finds every engine gone: counts fall back to "0"; Google's snapshot probe
    // reads the page the first run left and fetches its cached copy again.
    web.route(QStringLiteral("baidu"), "/s?wd=site:ab.example",
              test::httpResponse("HTTP/1.1 500 Internal Server Error"));
    web.route(QStringLiteral("google"), "/search?hl=zh-CN&q=site:ab.example",
              test::httpResponse("HTTP/1.1 500 Internal Server Error"));
    run(everythingTicked());
    EXPECT_EQ(view.StringGD[1][1], QStringLiteral("0"));
    EXPECT_EQ(view.StringGD[2][1], QStringLiteral("0"));
    // Baidu's page was taken by the first run's snapshot: nothing to analyse, labels stay empty.
    EXPECT_TRUE(view.labelText(query::SiteLabel::lblBaiduSite).isEmpty());
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleSite), QStringLiteral("首页第一"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleKz), QStringLiteral("2009-12-3"));
}

} // namespace
} // namespace kelvane
