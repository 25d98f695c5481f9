#include "platform/text_codec.h"
#include "support/cli_runner.h"
#include "support/fixture_web.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::StringLiterals;

const QString kCli = QStringLiteral(KELVANE_CLI_PATH);

// A working folder whose site list holds the given entries.
class SiteCommand : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QDir(folder.path()).mkpath(QStringLiteral("zenvo/data"));
        writeSiteList({QStringLiteral("ab.example")});
        web.addStandardSite();
    }
    void writeSiteList(const QStringList& entries) {
        QFile list(folder.filePath(QStringLiteral("zenvo/website.txt")));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(platform::toAnsi(entries.join(QStringLiteral("\r\n"))));
    }
    QByteArray history(const QString& domain) const {
        QFile file(
            folder.filePath(QStringLiteral("zenvo/data/") + domain + QStringLiteral(".txt")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    test::CliResult run(const QStringList& arguments) {
        return test::runCli(kCli, arguments, folder.path());
    }

    QTemporaryDir folder;
    test::FixtureWeb web;
};

TEST_F(SiteCommand, JsonCarriesEveryFieldOfTheView) {
    const test::CliResult result =
        run({QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--options"),
             QStringLiteral("all"), QStringLiteral("--json")});
    // Sogou answers the backlink request with a redirect that the probe does not follow: both
    // probes on that URL end in an HTTP error, so the run is incomplete.
    ASSERT_EQ(result.exitCode, 3) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << "quiet when standard error is no terminal";
    const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(json.value(QStringLiteral("txtUrl")).toString(), QStringLiteral("ab.example"));
    const QJsonArray grid = json.value(QStringLiteral("StringGD")).toArray();
    ASSERT_EQ(grid.size(), 3);
    EXPECT_EQ(grid[0].toArray()[1].toString(), QStringLiteral("    百度"));
    EXPECT_EQ(grid[1].toArray()[0].toString(), QStringLiteral("收录"));
    EXPECT_EQ(grid[1].toArray()[1].toString(), QStringLiteral("12300"));
    EXPECT_EQ(grid[2].toArray()[7].toString(), QStringLiteral("89"));
    EXPECT_EQ(json.value(QStringLiteral("PageRank")).toInt(), 4);
    EXPECT_EQ(json.value(QStringLiteral("ImagePR")).toInt(), 4);
    EXPECT_EQ(json.value(QStringLiteral("SouGouRankG")).toInt(), 0);
    EXPECT_EQ(json.value(QStringLiteral("lblAlexaRank")).toString(), QStringLiteral("12,345"));
    EXPECT_EQ(json.value(QStringLiteral("lblChinaRank")).toString(), QStringLiteral("12345"));
    EXPECT_EQ(json.value(QStringLiteral("lblBaiduSite")).toString(), QStringLiteral("首页第一"));
    EXPECT_EQ(json.value(QStringLiteral("lblGoogleKz")).toString(), QStringLiteral("2009-12-3"));
    const QJsonArray failures = json.value(QStringLiteral("failures")).toArray();
    ASSERT_EQ(failures.size(), 2) << result.out.toStdString();
    EXPECT_EQ(failures[0].toObject(), (QJsonObject{{u"field"_s, u"SouGouRankG"_s},
                                                   {u"reason"_s, u"http"_s},
                                                   {u"detail"_s, u"302"_s}}));
    EXPECT_EQ(failures[1].toObject(), (QJsonObject{{u"field"_s, u"StringGD"_s},
                                                   {u"column"_s, 4},
                                                   {u"row"_s, 2},
                                                   {u"reason"_s, u"http"_s},
                                                   {u"detail"_s, u"302"_s}}));
    // The domain is a listed site: one history record, with the failures as its last field.
    const QByteArray record = history(QStringLiteral("ab.example"));
    EXPECT_EQ(record.count("\r\n"), 1);
    EXPECT_TRUE(record.endsWith(",sogourank=http;sogou.link=http\r\n")) << record.toStdString();
}

TEST_F(SiteCommand, DefaultOptionsAreTheWindowsInitialTicks) {
    const test::CliResult result =
        run({QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--json")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
    const QJsonArray sites = json.value(QStringLiteral("StringGD")).toArray()[1].toArray();
    EXPECT_EQ(sites[2].toString(), QStringLiteral("1230"));
    EXPECT_EQ(sites[3].toString(), QStringLiteral("未选"));
    EXPECT_EQ(json.value(QStringLiteral("lblChinaRank")).toString(), QStringLiteral("未选"));
    EXPECT_TRUE(web.requestLines(QStringLiteral("chinarank")).isEmpty());
}

TEST_F(SiteCommand, BlockedAnswersAreMarkedExplainedAndExitThree) {
    // A captcha redirect for Baidu's site page, a refusal for Google's backlink page.
    web.routeRedirect(u"baidu"_s, "/s?wd=site:ab.example", "http://wappass.baidu.com/captcha");
    web.route(u"google"_s, "/search?hl=zh-CN&q=link:ab.example",
              test::Reply().send("HTTP/1.1 429 Too Many Requests\r\nContent-Length: 0\r\n\r\n"));
    const test::CliResult result =
        run({u"site"_s, u"ab.example"_s, u"--options"_s, u"baidu,google"_s});
    EXPECT_EQ(result.exitCode, 3) << result.err.toStdString();
    const QStringList lines = result.out.split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(u"0*"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(u"0*"_s)) << lines[2].toStdString();
    EXPECT_TRUE(result.err.contains(u"百度 收录: blocked (location-host)"_s))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(u"谷歌 反链: blocked (http-429)"_s))
        << result.err.toStdString();
    // The snapshot labels read no page of this run.
    EXPECT_TRUE(result.err.contains(u"百度 SITE：: blocked"_s)) << result.err.toStdString();
    // Each host rests after its block: the probes after it send nothing.
    EXPECT_TRUE(result.err.contains(u"百度 反链: blocked (paused)"_s)) << result.err.toStdString();
    EXPECT_EQ(web.requestLines(u"baidu"_s).size(), 1);
    EXPECT_EQ(web.requestLines(u"google"_s).size(), 2) << "the cached copy is not asked for";
    const QByteArray record = history(u"ab.example"_s);
    EXPECT_TRUE(record.endsWith(",baidu.site=blocked;baidu.link=blocked;baidu.snapshot=blocked;"
                                "google.link=blocked;google.snapshot=blocked\r\n"))
        << record.toStdString();
}

TEST_F(SiteCommand, CleanRunWritesTheTwelveFieldsAndAnEmptyFailureList) {
    const test::CliResult result =
        run({u"site"_s, u"ab.example"_s, u"--options"_s, u"baidu,pagerank"_s, u"--json"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(json.value(u"failures"_s), QJsonValue(QJsonArray()));
    // Exactly the twelve fields of a run before outcomes existed; only the stamp varies.
    const QByteArray record = history(u"ab.example"_s);
    EXPECT_EQ(record.left(record.lastIndexOf(',') + 1),
              platform::toAnsi(u"12300/4560,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,"
                               u"未选/未选,4,0,未选,未选,"_s));
    EXPECT_EQ(record.count(','), 11);
}

TEST_F(SiteCommand, TableShowsTheGridTitlesAndTheRanks) {
    const test::CliResult result =
        run({QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--options"),
             QStringLiteral("baidu,pagerank")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("百度")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("必应")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("收录")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("12300")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("PageRank        4")));
}

TEST_F(SiteCommand, NoneUnticksEveryOptionAndSendsNothing) {
    const test::CliResult result =
        run({QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--options"),
             QStringLiteral("none"), QStringLiteral("--json")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
    const QJsonArray grid = json.value(QStringLiteral("StringGD")).toArray();
    ASSERT_EQ(grid.size(), 3);
    for (int row = 1; row <= 2; ++row) {
        for (int column = 1; column <= 7; ++column)
            EXPECT_EQ(grid[row].toArray()[column].toString(), QStringLiteral("未选"))
                << row << "," << column;
    }
    for (const char* label : {"lblAlexaRank", "lblChinaRank", "lblBaiduSite", "lblBaiduKz",
                              "lblGoogleSite", "lblGoogleKz"})
        EXPECT_EQ(json.value(QLatin1String(label)).toString(), QStringLiteral("未选")) << label;
    EXPECT_EQ(json.value(QStringLiteral("PageRank")).toInt(), 0);
    int total = 0;
    for (const char* key : {"home", "baidu", "google", "google_cn", "yahoo_explorer", "yahoo_cn",
                            "sogou", "soso", "youdao", "bing", "chinarank"})
        total += static_cast<int>(web.requestLines(QString::fromLatin1(key)).size());
    EXPECT_EQ(total, 0);
    // A listed domain still gets its record, with PageRank "0".
    const QByteArray record = history(QStringLiteral("ab.example"));
    EXPECT_EQ(record.count("\r\n"), 1);
    EXPECT_EQ(record.split(',').value(7), "0");
}

TEST_F(SiteCommand, UnlistedDomainGetsNoRecord) {
    writeSiteList({QStringLiteral("AB.example")});
    const test::CliResult result = run({QStringLiteral("site"), QStringLiteral("ab.example")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(history(QStringLiteral("ab.example")).isEmpty());
}

TEST_F(SiteCommand, UnsavedRecordIsReportedAfterTheResult) {
    const QString longDomain = QString(292, u'a') + QStringLiteral(".example");
    struct Case {
        const char* name;
        QString domain;
        bool dataFolderIsAFile;
    };
    const Case cases[] = {
        {"file name too long for the file system", longDomain, false},
        {"data folder cannot hold files", QStringLiteral("ab.example"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeSiteList({c.domain});
        const QString data = folder.filePath(QStringLiteral("zenvo/data"));
        if (c.dataFolderIsAFile) {
            ASSERT_TRUE(QDir(data).removeRecursively());
            QFile blocker(data);
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }
        const test::CliResult result =
            run({QStringLiteral("site"), c.domain, QStringLiteral("--json")});
        EXPECT_EQ(result.exitCode, 1);
        const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
        EXPECT_EQ(json.value(QStringLiteral("txtUrl")).toString(), c.domain)
            << "the result is printed: " << result.out.toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("not saved"))) << result.err.toStdString();
    }
}

TEST_F(SiteCommand, RefusedDomainsAndUsageErrorsExitWithTwo) {
    const QList<QStringList> cases = {
        {QStringLiteral("site"), QStringLiteral("a.example")},
        {QStringLiteral("site"), QStringLiteral("  ab.example")},
        {QStringLiteral("site")},
        {QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--all-listed")},
        {QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("a.example")},
        {QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--retry-failed")},
        {QStringLiteral("site"), QStringLiteral("--all-listed"), QStringLiteral("--jobs"),
         QStringLiteral("0")},
        {QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--json"),
         QStringLiteral("--csv")},
        {QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--options"),
         QStringLiteral("baidu,altavista")},
        {QStringLiteral("site"), QStringLiteral("ab.example"), QStringLiteral("--colour")},
        {QStringLiteral("nosuchcommand")},
        {},
    };
    for (const QStringList& arguments : cases) {
        const test::CliResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << arguments.join(u' ').toStdString();
        EXPECT_FALSE(result.err.isEmpty()) << arguments.join(u' ').toStdString();
    }
    int total = 0;
    for (const char* key : {"baidu", "google", "home"})
        total += static_cast<int>(web.requestLines(QString::fromLatin1(key)).size());
    EXPECT_EQ(total, 0);
}

TEST_F(SiteCommand, HelpDescribesTheCommand) {
    const test::CliResult result = run({QStringLiteral("site"), QStringLiteral("--help")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.contains(QStringLiteral("--options")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("sogourank")));
}

} // namespace
} // namespace kelvane
