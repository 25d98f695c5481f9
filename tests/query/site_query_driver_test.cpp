#include "query/site_query_driver.h"
#include "query/site_query_state.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace kelvane {
namespace {

const QString kHome = QStringLiteral("home.example");
const QString kNotSelected = QStringLiteral("未选");

// Fake probes that answer with their own name and record every call in order.
struct FakeProbes {
    QStringList calls;
    int pageRank = 3;
    int sogouRank = 45;

    query::SiteQueryProbes table() {
        query::SiteQueryProbes probes;
        probes.PageRankLookup = [this](const QString& d) {
            calls << QStringLiteral("PageRank:") + d;
            return pageRank;
        };
        probes.SogouRankLookup = [this](const QString& d) {
            calls << QStringLiteral("SogouRank:") + d;
            return sogouRank;
        };
        probes.AlexaRankLookup = named(QStringLiteral("Alexa"));
        probes.ChinaRankLookup = named(QStringLiteral("ChinaRank"));
        const char* engines[] = {"Baidu", "Google", "Yahoo", "Sogou", "Soso", "Youdao", "Bing"};
        for (int i = 0; i < query::kEngineCount; ++i) {
            const QString engine = QString::fromLatin1(engines[i]);
            probes.engines[i].siteCount = named(engine + QStringLiteral("Site"));
            probes.engines[i].linkCount = named(engine + QStringLiteral("Link"));
        }
        probes[query::EngineId::Baidu].snapshot =
            snapshot(QStringLiteral("baiduSiteKz"), query::SiteLabel::lblBaiduSite,
                     query::SiteLabel::lblBaiduKz);
        probes[query::EngineId::Google].snapshot =
            snapshot(QStringLiteral("googleSiteKz"), query::SiteLabel::lblGoogleSite,
                     query::SiteLabel::lblGoogleKz);
        return probes;
    }

    query::TextProbe named(const QString& name) {
        return [this, name](const QString& d) {
            calls << name + u':' + d;
            return name;
        };
    }
    query::SnapshotProbe snapshot(const QString& name, query::SiteLabel site, query::SiteLabel kz) {
        return [this, name, site, kz](query::SiteQueryView& view) {
            calls << name + u':' + view.txtUrlText();
            view.setLabelText(site, name + QStringLiteral("Site"));
            view.setLabelText(kz, name + QStringLiteral("Kz"));
        };
    }
};

class SiteQueryDriverTest : public testing::Test {
protected:
    void run() {
        query::SiteQueryDriver driver(
            view, options, probes.table(),
            [this](const QString& pr) { records << view.txtUrl + u',' + pr; }, kHome);
        driver.run();
    }
    void tickNothing() {
        options = query::SiteQueryOptions{false, false, false, false, false, false,
                                          false, false, false, false, false};
    }

    query::SiteQueryState view;
    query::SiteQueryOptions options;
    FakeProbes probes;
    QStringList records;
};

TEST_F(SiteQueryDriverTest, InitialTicksRunTheirProbesInOrder) {
    view.txtUrl = QStringLiteral("ab.example");
    view.txtUrlList = {QStringLiteral("x.example"), QStringLiteral("ab.example")};
    run();
    QStringList expected;
    for (const char* name : {"PageRank", "Alexa", "BaiduSite", "BaiduLink", "baiduSiteKz",
                             "GoogleSite", "GoogleLink", "googleSiteKz"})
        expected << QString::fromLatin1(name) + QStringLiteral(":ab.example");
    EXPECT_EQ(probes.calls, expected);
    EXPECT_EQ(view.StringGD[1][1], QStringLiteral("BaiduSite"));
    EXPECT_EQ(view.StringGD[2][2], QStringLiteral("GoogleLink"));
    for (int column = 3; column <= 7; ++column) {
        EXPECT_EQ(view.StringGD[column][1], kNotSelected);
        EXPECT_EQ(view.StringGD[column][2], kNotSelected);
    }
    EXPECT_EQ(view.ImagePR, 3);
    EXPECT_TRUE(view.ImagePRIsVisible);
    EXPECT_EQ(view.SouGouRankG, 0);
    EXPECT_TRUE(view.SouGouRankGIsVisible);
    EXPECT_EQ(view.labelText(query::SiteLabel::lblAlexaRank), QStringLiteral("Alexa"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblChinaRank), kNotSelected);
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleKz), QStringLiteral("googleSiteKzKz"));
    EXPECT_EQ(records, QStringList{QStringLiteral("ab.example,3")});
    EXPECT_TRUE(view.btnQureIsEnabled);
    EXPECT_TRUE(view.txtUrlIsEnabled);
}

TEST_F(SiteQueryDriverTest, FirstRunClearsNothingAndALaterRunClearsFirst) {
    view.txtUrl = QStringLiteral("ab.example");
    view.StringGD[3][1] = QStringLiteral("left over");
    run();
    EXPECT_EQ(view.repaints, 0);
    EXPECT_EQ(view.StringGD[3][1], kNotSelected);

    // A refused domain after a completed run: the old result is cleared, nothing else runs.
    probes.calls.clear();
    view.txtUrl = QStringLiteral("a.example");
    run();
    EXPECT_EQ(view.repaints, 1);
    EXPECT_TRUE(probes.calls.isEmpty());
    EXPECT_EQ(view.txtUrl, kHome);
    EXPECT_TRUE(view.StringGD[1][1].isEmpty());
    EXPECT_TRUE(view.labelText(query::SiteLabel::lblAlexaRank).isEmpty());
    EXPECT_FALSE(view.ImagePRIsVisible);
    EXPECT_FALSE(view.SouGouRankGIsVisible);
}

TEST_F(SiteQueryDriverTest, EverythingUntickedSendsNothingAndMarksEveryResult) {
    tickNothing();
    view.txtUrl = QStringLiteral("ab.example");
    view.txtUrlList = {QStringLiteral("ab.example")};
    run();
    EXPECT_TRUE(probes.calls.isEmpty());
    for (int column = 1; column <= 7; ++column) {
        EXPECT_EQ(view.StringGD[column][1], kNotSelected);
        EXPECT_EQ(view.StringGD[column][2], kNotSelected);
    }
    for (query::SiteLabel label : {query::SiteLabel::lblAlexaRank, query::SiteLabel::lblChinaRank,
                                   query::SiteLabel::lblBaiduSite, query::SiteLabel::lblBaiduKz,
                                   query::SiteLabel::lblGoogleSite, query::SiteLabel::lblGoogleKz})
        EXPECT_EQ(view.labelText(label), kNotSelected);
    EXPECT_EQ(view.ImagePR, 1);
    EXPECT_TRUE(view.ImagePRIsVisible);
    EXPECT_EQ(view.SouGouRankG, 0);
    EXPECT_TRUE(view.SouGouRankGIsVisible);
    EXPECT_EQ(records, QStringList{QStringLiteral("ab.example,0")});
}

TEST_F(SiteQueryDriverTest, BaiduTickedGoogleUnticked) {
    options.chkGoogle = false;
    view.txtUrl = QStringLiteral("ab.example");
    run();
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduSite), QStringLiteral("baiduSiteKzSite"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblBaiduKz), QStringLiteral("baiduSiteKzKz"));
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleSite), kNotSelected);
    EXPECT_EQ(view.labelText(query::SiteLabel::lblGoogleKz), kNotSelected);
}

TEST_F(SiteQueryDriverTest, RefusedOrMissingDomainsLeaveTheHomeSite) {
    for (const QString& text : {QString(), QStringLiteral("a.example"),
                                QStringLiteral("  ab.example"), QStringLiteral("ab.example:80")}) {
        view.txtUrl = text;
        run();
        EXPECT_EQ(view.txtUrl, kHome) << text.toStdString();
        EXPECT_TRUE(view.btnQureIsEnabled);
        EXPECT_TRUE(view.txtUrlIsEnabled);
    }
    EXPECT_TRUE(probes.calls.isEmpty());
    EXPECT_TRUE(records.isEmpty());
}

TEST_F(SiteQueryDriverTest, ProbesReceiveTheDomainUnchanged) {
    view.txtUrl = QStringLiteral("AB.EXAMPLE");
    view.txtUrlList = {QStringLiteral("ab.example")};
    run();
    ASSERT_FALSE(probes.calls.isEmpty());
    for (const QString& call : probes.calls)
        EXPECT_TRUE(call.endsWith(QStringLiteral(":AB.EXAMPLE"))) << call.toStdString();
    // The site list holds it in another case: no record.
    EXPECT_TRUE(records.isEmpty());
}

TEST_F(SiteQueryDriverTest, PageRankAndSogouRankOutOfRange) {
    options.chkSogouRank = true;
    probes.pageRank = 12;
    probes.sogouRank = 150;
    view.txtUrl = QStringLiteral("ab.example");
    view.txtUrlList = {QStringLiteral("ab.example")};
    run();
    EXPECT_TRUE(view.ImagePRIsVisible);
    EXPECT_EQ(view.ImagePR, std::nullopt);
    EXPECT_EQ(view.SouGouRankG, 100);
    EXPECT_EQ(records, QStringList{QStringLiteral("ab.example,12")});

    probes.sogouRank = -5;
    run();
    EXPECT_EQ(view.SouGouRankG, 0);
}

TEST_F(SiteQueryDriverTest, EachFlagIsReadWhenItsStepBegins) {
    view.txtUrl = QStringLiteral("ab.example");
    query::SiteQueryProbes table = probes.table();
    // The Baidu backlink probe lets the user untick Google and tick Bing meanwhile.
    table[query::EngineId::Baidu].linkCount = [this](const QString&) {
        options.chkGoogle = false;
        options.chkBing = true;
        return QStringLiteral("7");
    };
    query::SiteQueryDriver driver(view, options, table, {}, kHome);
    driver.run();
    EXPECT_EQ(view.StringGD[2][1], kNotSelected);
    EXPECT_EQ(view.StringGD[7][1], QStringLiteral("BingSite"));
}

TEST_F(SiteQueryDriverTest, OneRecordPerMatchingListEntry) {
    view.txtUrl = QStringLiteral("ab.example");
    view.txtUrlList = {QStringLiteral("ab.example"), QStringLiteral("AB.example"),
                       QStringLiteral("ab.example "), QStringLiteral("ab.example")};
    run();
    EXPECT_EQ(records,
              (QStringList{QStringLiteral("ab.example,3"), QStringLiteral("ab.example,3")}));
}

TEST_F(SiteQueryDriverTest, EscapingErrorEndsTheRunWithTheControlsBack) {
    view.txtUrl = QStringLiteral("ab.example");
    view.txtUrlList = {QStringLiteral("ab.example")};
    query::SiteQueryProbes table = probes.table();
    bool disabledDuringRun = false;
    table[query::EngineId::Baidu].snapshot = [&](query::SiteQueryView& v) {
        disabledDuringRun = !v.btnQureEnabled() && !v.txtUrlEnabled();
        throw std::runtime_error("snapshot failed");
    };
    query::SiteQueryDriver driver(
        view, options, table, [this](const QString&) { records << QStringLiteral("x"); }, kHome);
    EXPECT_THROW(driver.run(), std::runtime_error);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_TRUE(view.btnQureIsEnabled);
    EXPECT_TRUE(view.txtUrlIsEnabled);
    // The run ended where the error happened: Google never ran, nothing was recorded.
    EXPECT_TRUE(view.StringGD[2][1].isEmpty());
    EXPECT_TRUE(records.isEmpty());
}

} // namespace
} // namespace kelvane
