#include "keyword/keyword_web.h"
#include "support/cli_runner.h"
#include "support/fixture_web.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

const QString kCli = QStringLiteral(KELVANE_CLI_PATH);

class KeywordCommand : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    // Pages 1 to 5 of the engine for keyword "kw": the site in the given entry of the given
    // page, other entries elsewhere.
    void routeEngine(query::EngineId engine, int foundPage, int foundEntry) {
        for (int p = 1; p <= 5; ++p) {
            QStringList entries = test::otherEntries(10);
            if (p == foundPage)
                entries[foundEntry - 1] = QStringLiteral("www.ab.example/");
            web.route(test::hostKey(engine), test::pageTarget(engine, "kw", p),
                      test::okPage(test::resultPage(engine, entries)));
        }
    }
    QString url(query::EngineId engine, int page) const {
        return QStringLiteral("http://") + web.hostPort(test::hostKey(engine)) +
               QString::fromLatin1(test::pageTarget(engine, "kw", page));
    }
    test::CliResult run(const QStringList& arguments) {
        return test::runCli(kCli, QStringList{QStringLiteral("keyword")} + arguments,
                            folder.path());
    }

    QTemporaryDir folder;
    test::FixtureWeb web;
};

TEST_F(KeywordCommand, JsonLinePerEngineInEngineOrder) {
    routeEngine(query::EngineId::Baidu, 2, 3);
    routeEngine(query::EngineId::Sogou, 0, 0);
    // Google fails on page 1: nothing is routed there.
    const test::CliResult result =
        run({QStringLiteral("www.ab.example"), QStringLiteral("kw"), QStringLiteral("--engines"),
             QStringLiteral("sogou,google,baidu"), QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 3) << "a search got an HTTP error";
    EXPECT_TRUE(result.err.isEmpty()) << "quiet when standard error is no terminal";
    const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << result.out.toStdString();
    const struct {
        const char* engine;
        QString text;
        QString lastUrl;
        QJsonValue rank;
        const char* reason;
        QJsonValue detail;
    } expected[] = {
        {"baidu", QStringLiteral("搜索排名第 13 位"), url(query::EngineId::Baidu, 2), 13, "ok", {}},
        {"google", QStringLiteral("查询失败，请重试!"), url(query::EngineId::Google, 1),
         QJsonValue(QJsonValue::Null), "http", QStringLiteral("404")},
        {"sogou",
         QStringLiteral("搜索排名第 0 位"),
         url(query::EngineId::Sogou, 5),
         0,
         "no-match",
         {}},
    };
    for (int i = 0; i < 3; ++i) {
        const QJsonObject json = QJsonDocument::fromJson(lines[i].toUtf8()).object();
        EXPECT_EQ(json.value(QStringLiteral("engine")).toString(),
                  QString::fromLatin1(expected[i].engine));
        EXPECT_EQ(json.value(QStringLiteral("text")).toString(), expected[i].text);
        EXPECT_EQ(json.value(QStringLiteral("lastUrl")).toString(), expected[i].lastUrl);
        EXPECT_EQ(json.value(QStringLiteral("rank")), expected[i].rank) << expected[i].engine;
        EXPECT_EQ(json.value(QStringLiteral("reason")).toString(),
                  QString::fromLatin1(expected[i].reason))
            << expected[i].engine;
        EXPECT_EQ(json.value(QStringLiteral("detail")), expected[i].detail.isNull()
                                                            ? QJsonValue(QJsonValue::Undefined)
                                                            : expected[i].detail)
            << expected[i].engine;
    }
}

TEST_F(KeywordCommand, DefaultsAreTheWindowsInitialState) {
    routeEngine(query::EngineId::Baidu, 1, 1);
    routeEngine(query::EngineId::Google, 0, 0);
    const test::CliResult result = run({QStringLiteral("www.ab.example"), QStringLiteral("kw")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << result.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("baidu   搜索排名第 1 位  http://")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("google  搜索排名第 0 位  http://")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(url(query::EngineId::Google, 5)));
    EXPECT_EQ(web.requests(test::hostKey(query::EngineId::Google)).size(), 5);
    for (const query::EngineId other :
         {query::EngineId::Yahoo, query::EngineId::Sogou, query::EngineId::Soso,
          query::EngineId::Youdao, query::EngineId::Bing})
        EXPECT_TRUE(web.requests(test::hostKey(other)).isEmpty());
}

TEST_F(KeywordCommand, PageRangeAtTheBounds) {
    const struct {
        const char* pages;
        int requests;
    } cases[] = {{"6-5", 0}, {"100-100", 1}, {"1-1", 1}, {"100-1", 0}};
    for (const auto& c : cases) {
        test::FixtureWeb caseWeb;
        const test::CliResult result =
            run({QStringLiteral("www.ab.example"), QStringLiteral("kw"), QStringLiteral("--pages"),
                 QString::fromLatin1(c.pages), QStringLiteral("--engines"), QStringLiteral("bing"),
                 QStringLiteral("--json")});
        // Pages that are not routed answer 404: the search got an HTTP error, exit 3.
        EXPECT_EQ(result.exitCode, c.requests ? 3 : 0) << c.pages;
        EXPECT_EQ(caseWeb.requests(QStringLiteral("bing")).size(), c.requests) << c.pages;
        if (c.requests == 0) {
            const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
            EXPECT_EQ(json.value(QStringLiteral("text")).toString(),
                      QStringLiteral("搜索排名第 0 位"));
            EXPECT_EQ(json.value(QStringLiteral("lastUrl")).toString(), QString());
        }
    }
}

TEST_F(KeywordCommand, UsageErrorsExitTwoWithAMessage) {
    const struct {
        QStringList arguments;
        const char* says;
    } cases[] = {
        {{}, "expected SITE and KEYWORD"},
        {{QStringLiteral("ab.example")}, "expected SITE and KEYWORD"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, "expected SITE"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--engines"),
          QStringLiteral("baidu,altavista")},
         "'altavista' is not an engine"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--engines"), QString()},
         "'' is not an engine"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--pages"),
          QStringLiteral("0-5")},
         "not a page range"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--pages"),
          QStringLiteral("1-101")},
         "not a page range"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--pages"), QStringLiteral("5")},
         "not a page range"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--pages"),
          QStringLiteral("-1-3")},
         "not a page range"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--pages"),
          QStringLiteral("99999999999-1")},
         "not a page range"},
        {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--colour")}, "Unknown option"},
    };
    for (const auto& c : cases) {
        const std::string name = c.arguments.join(u' ').toStdString();
        const test::CliResult result = run(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << name;
        EXPECT_TRUE(result.out.isEmpty()) << name;
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.says)))
            << name << ": " << result.err.toStdString();
    }
    EXPECT_TRUE(web.requests(QStringLiteral("baidu")).isEmpty()) << "nothing searched";
}

TEST_F(KeywordCommand, HelpNamesTheOptions) {
    const test::CliResult result = run({QStringLiteral("--help")});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* word : {"SITE", "KEYWORD", "--engines", "--pages", "--json", "Exit status"})
        EXPECT_TRUE(result.out.contains(QString::fromLatin1(word))) << word;
}

// A terminal on standard error shows each page's progress; standard output stays clean.
TEST_F(KeywordCommand, ProgressGoesToATerminal) {
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        GTEST_SKIP() << "no script(1) to provide a terminal";
    routeEngine(query::EngineId::Youdao, 2, 1);
    const QString out = folder.filePath(QStringLiteral("out.txt"));
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(
        script,
        {QStringLiteral("-qec"),
         QStringLiteral("'%1' keyword www.ab.example kw --engines youdao > '%2'").arg(kCli, out),
         QStringLiteral("/dev/null")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString terminal = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(terminal.contains(QStringLiteral("youdao: 正在查询第 1 页")))
        << terminal.toStdString();
    EXPECT_TRUE(terminal.contains(QStringLiteral("youdao: 正在查询第 2 页")));
    EXPECT_FALSE(terminal.contains(QStringLiteral("正在查询第 3 页")));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString printed = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(printed.startsWith(QStringLiteral("youdao  搜索排名第 11 位  http://")))
        << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("正在查询")));
}

// A list of searches: lines in list order whatever finishes first, each naming its line; a
// line without a tab is a usage error before anything is sent.
TEST_F(KeywordCommand, FileRunsEveryLineInOrder) {
    routeEngine(query::EngineId::Baidu, 2, 3);
    const QString list = folder.filePath(QStringLiteral("list.txt"));
    const auto writeList = [&](const QByteArray& text) {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    writeList("www.ab.example\tkw\r\n\r\nab.example\tkw\nnowhere.example\tkw\n");
    const test::CliResult result =
        run({QStringLiteral("--file"), list, QStringLiteral("--engines"), QStringLiteral("baidu"),
             QStringLiteral("--jobs"), QStringLiteral("3"), QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << result.out.toStdString();
    const struct {
        const char* site;
        int rank;
    } expected[] = {{"www.ab.example", 13}, {"ab.example", 13}, {"nowhere.example", 0}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject object = QJsonDocument::fromJson(lines[i].toUtf8()).object();
        EXPECT_EQ(object.value(QStringLiteral("site")).toString(),
                  QString::fromLatin1(expected[i].site));
        EXPECT_EQ(object.value(QStringLiteral("keyword")).toString(), QStringLiteral("kw"));
        EXPECT_EQ(object.value(QStringLiteral("rank")).toInt(), expected[i].rank) << i;
    }

    const qsizetype sent = web.requestLines(test::hostKey(query::EngineId::Baidu)).size();
    writeList("ab.example\tkw\nab.example kw\n");
    const test::CliResult bad = run({QStringLiteral("--file"), list});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("line 2"))) << bad.err.toStdString();
    EXPECT_EQ(web.requestLines(test::hostKey(query::EngineId::Baidu)).size(), sent);
}

} // namespace
} // namespace kelvane
