#include "query/site_query_state.h"
#include "query/snapshot_probes.h"
#include "support/fixture_web.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

const QString kHomeFirst = QStringLiteral("首页第一");
const QString kNotFirst = QStringLiteral("不在第一");
const QString kFailed = QStringLiteral("查询失败");

QString green(const QString& text) {
    return QStringLiteral("<font color=\"#008000\">") + text + QStringLiteral("</font>");
}

TEST(BaiduSnapshot, JudgesByLengthsAndCutsTheSnapshotText) {
    const struct {
        const char* typed;
        QString page;
        QString site;
        QString kz;
    } cases[] = {
        {"ab.example", green(QStringLiteral("ab.example/ 12K 2010-1-26 ")), kHomeFirst,
         QStringLiteral("12K 2010-1-26")},
        {"www.ab.example", green(QStringLiteral("ab.example/ 12K 2010-1-26 ")), kNotFirst,
         QStringLiteral("12K 2010-1-26")},
        {"ab.example", green(QStringLiteral("ab.example/a/b.html 12K 2010-1-26 ")), kNotFirst,
         QStringLiteral("ab.html 12K 2010-1-26")},
        // Another host of the same length counts as the home page.
        {"ab.example", green(QStringLiteral("cd.example/ 1K ")), kHomeFirst, QStringLiteral("1K")},
        {"ab.example", green(QStringLiteral("no slash")), kNotFirst, QString()},
        {"ab.example",
         green(QStringLiteral("ab.example/ 1K\r\n2010-1-1")) + green(QStringLiteral("x/ 2K")),
         kHomeFirst, QStringLiteral("1K\r\n2010-1-1")},
    };
    for (const auto& c : cases) {
        query::SiteQueryContext query;
        query::SiteQueryState view;
        view.txtUrl = QString::fromLatin1(c.typed);
        query.BaiduLastPage = QStringLiteral("<p>") + c.page + QStringLiteral("</p>");
        query::baiduSiteKz(view, query);
        EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduSite), c.site) << c.page.toStdString();
        EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduKz), c.kz) << c.page.toStdString();
        EXPECT_TRUE(query.BaiduLastPage.isEmpty());
    }
}

TEST(BaiduSnapshot, MatchesAnyCaseButCutsOnlyExactTags) {
    query::SiteQueryContext query;
    query::SiteQueryState view;
    view.txtUrl = QStringLiteral("ab.example");
    query.BaiduLastPage = QStringLiteral("<FONT COLOR=\"#008000\">ab.example/ 1K</FONT>");
    query::baiduSiteKz(view, query);
    // The capitals keep their tags, so the last "/" is the closing tag's.
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduSite), kNotFirst);
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduKz), QStringLiteral("1K<FONT>"));
}

TEST(BaiduSnapshot, PageWithoutGreenTextChangesNothing) {
    query::SiteQueryContext query;
    query::SiteQueryState view;
    view.txtUrl = QStringLiteral("ab.example");
    view.setLabelText(query::SiteLabel::lblBaiduSite, QStringLiteral("before"));
    query.BaiduLastPage = QStringLiteral("<font color=\"red\">ab.example/</font>");
    query::baiduSiteKz(view, query);
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduSite), QStringLiteral("before"));
    EXPECT_TRUE(view.labelText(query::SiteLabel::lblBaiduKz).isEmpty());
    EXPECT_FALSE(query.BaiduLastPage.isEmpty());
}

class GoogleSnapshot : public testing::Test {
protected:
    QString resultPage(const QString& href, bool withCacheLink = true) const {
        QString page = QStringLiteral("<h3 class=r><a href=\"") + href +
                       QStringLiteral("\" target=_blank class=l>t</a></h3>");
        if (withCacheLink) {
            page += QStringLiteral("<span class=gl><a href=\"http://") +
                    web.hostPort(QStringLiteral("google")) +
                    QStringLiteral("/cache?a=1&amp;b=2\" target=_blank>快照</a>");
        }
        return page;
    }
    void cacheAnswers(const QString& text) {
        web.route(QStringLiteral("google"), "/cache?a=1&b=2",
                  test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html; charset=UTF-8"},
                                     text.toUtf8()));
    }
    QString run(const QString& typed = QStringLiteral("ab.example")) {
        view.txtUrl = typed;
        query::googleSiteKz(view, query);
        return view.labelText(query::SiteLabel::lblGoogleSite) + u'|' +
               view.labelText(query::SiteLabel::lblGoogleKz);
    }

    test::FixtureWeb web;
    query::SiteQueryContext query;
    query::SiteQueryState view;
};

TEST_F(GoogleSnapshot, HomePageFirstAndTheDateRebuilt) {
    cacheAnswers(QStringLiteral("这是该网页在 2009年12月3日 08:00:00 GMT 的快照"));
    query.GoogleLastPage = resultPage(QStringLiteral("http://ab.example/"));
    EXPECT_EQ(run(), QStringLiteral("首页第一|2009-12-3"));
    // The cached-copy address was requested with "&" for "&amp;".
    EXPECT_EQ(web.requestLines(QStringLiteral("google")),
              QStringList{QStringLiteral("GET /cache?a=1&b=2 HTTP/1.1")});
    EXPECT_FALSE(query.GoogleLastPage.isEmpty());
}

TEST_F(GoogleSnapshot, DeeperAddressIsNotFirst) {
    cacheAnswers(QStringLiteral("这是该网页在2010年1月20日"));
    query.GoogleLastPage = resultPage(QStringLiteral("http://ab.example/index.html"));
    EXPECT_EQ(run(), QStringLiteral("不在第一|2010-1-20"));
}

TEST_F(GoogleSnapshot, NoHeadingFailsBothLabelsWithoutAFetch) {
    query.GoogleLastPage = QStringLiteral("<p>nothing</p>");
    EXPECT_EQ(run(), QStringLiteral("查询失败|查询失败"));
    query.GoogleLastPage.clear();
    EXPECT_EQ(run(), QStringLiteral("查询失败|查询失败"));
    EXPECT_TRUE(web.requestLines(QStringLiteral("google")).isEmpty());
}

TEST_F(GoogleSnapshot, FailedCacheFetchOverwritesTheVerdict) {
    query.GoogleLastPage = resultPage(QStringLiteral("http://ab.example/"));
    web.route(QStringLiteral("google"), "/cache?a=1&b=2",
              test::httpResponse("HTTP/1.1 302 Found", {"Location: /elsewhere"}));
    EXPECT_EQ(run(), QStringLiteral("查询失败|查询失败"));
}

TEST_F(GoogleSnapshot, MissingLinkOrDateKeepsTheSnapshotLabel) {
    view.setLabelText(query::SiteLabel::lblGoogleKz, QStringLiteral("earlier"));
    query.GoogleLastPage = resultPage(QStringLiteral("http://ab.example/"), false);
    EXPECT_EQ(run(), QStringLiteral("首页第一|earlier"));
    cacheAnswers(QStringLiteral("no date here"));
    query.GoogleLastPage = resultPage(QStringLiteral("http://ab.example/x"));
    EXPECT_EQ(run(), QStringLiteral("不在第一|earlier"));
}

} // namespace
} // namespace kelvane
