// kelvane-cli engines, run as a program: test reproduces the probes' values from saved pages,
// check and a bad [engines] file end with status 2 and the place of the problem.
#include "query/count_probes.h"
#include "query/engine_definitions.h"
#include "support/cli_runner.h"
#include "support/fixture_web.h"
#include "support/scoped_environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::Literals::StringLiterals;

const QString kCli = QStringLiteral(KELVANE_CLI_PATH);

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class EnginesCommand : public testing::Test {
protected:
    test::CliResult run(const QStringList& arguments) {
        return test::runCli(kCli, QStringList{u"engines"_s} + arguments, folder.path(), 30000);
    }
    QString file(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

TEST_F(EnginesCommand, TestOverSavedPagesGivesTheProbesValues) {
    // The count rows whose pages the fixture web serves, and those pages.
    const struct {
        const char16_t* row;
        const char16_t* page;
    } rows[] = {
        {u"baidu.site", u"baidu_site.gbk.html"},    {u"baidu.domain", u"baidu_domain.gbk.html"},
        {u"google.site", u"google_site.gbk.html"},  {u"google.link", u"google_link.gbk.html"},
        {u"yahoo.site", u"yahoo_site.utf8.html"},   {u"yahoo.link", u"yahoo_link.utf8.html"},
        {u"sogou.site", u"sogou_site.gbk.html"},    {u"soso.site", u"soso_site.gbk.html"},
        {u"soso.link", u"soso_link.gbk.html"},      {u"youdao.site", u"youdao_site.utf8.html"},
        {u"youdao.link", u"youdao_link.utf8.html"}, {u"bing.site", u"bing_site.utf8.html"},
        {u"bing.link", u"bing_link.utf8.html"},
    };
    QMap<QString, QString> probed;
    QStringList arguments{u"test"_s, file(u"export.json"_s)};
    {
        test::FixtureWeb web;
        web.addStandardSite();
        for (const auto& row : rows) {
            const QString id = QString::fromUtf16(row.row);
            for (const query::CountProbeSpec& spec : query::CountProbeSpecs()) {
                if (id == QStringView(spec.row->id))
                    probed[id] = query::RunCountProbe(spec, u"ab.example"_s, {}).value;
            }
            writeFile(file(id + u".html"_s),
                      test::FixtureWeb::pageFile(QString::fromUtf16(row.page)));
            arguments << file(id + u".html"_s);
        }
    }
    const test::CliResult exported = run({u"export"_s});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    writeFile(file(u"export.json"_s), exported.out.toUtf8());

    const test::CliResult tested = run(arguments);
    EXPECT_EQ(tested.exitCode, 0) << tested.out.toStdString() << tested.err.toStdString();
    const QStringList lines = tested.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), std::size(rows)) << tested.out.toStdString();
    for (const QString& line : lines) {
        const QStringList fields = line.split(u'\t');
        ASSERT_EQ(fields.size(), 4) << line.toStdString();
        EXPECT_EQ(fields[1], probed.value(fields[0])) << line.toStdString();
        EXPECT_NE(probed.value(fields[0]), u"0"_s) << line.toStdString();
        EXPECT_EQ(fields[2], u"ok"_s) << line.toStdString();
        EXPECT_EQ(fields[3], u"pattern 1"_s) << line.toStdString();
    }
}

TEST_F(EnginesCommand, TestNamesTheRowAndThePatternThatRead) {
    writeFile(
        file(u"user.json"_s),
        R"({"rows": [{"id": "baidu.site", "patterns": ["x((.|\\n)*?)y", "找到相关结果数约((.|\\n)*?)个"],
                  "tokens": ["找到相关结果数约", "个", ","], "mode": "charset-text"}]})");
    writeFile(file(u"saved.html"_s),
              "<meta charset=\"utf-8\"><p>\xe6\x89\xbe\xe5\x88\xb0\xe7\x9b\xb8\xe5\x85\xb3"
              "\xe7\xbb\x93\xe6\x9e\x9c\xe6\x95\xb0\xe7\xba\xa6"
              "1,230\xe4\xb8\xaa</p>");
    const test::CliResult tested =
        run({u"test"_s, file(u"user.json"_s), u"--row"_s, u"baidu.site"_s, file(u"saved.html"_s)});
    EXPECT_EQ(tested.exitCode, 0) << tested.err.toStdString();
    EXPECT_EQ(tested.out, u"baidu.site\t1230\tok\tpattern 2\n"_s);

    const test::CliResult unnamed = run({u"test"_s, file(u"user.json"_s), file(u"saved.html"_s)});
    EXPECT_EQ(unnamed.exitCode, 2);
    EXPECT_TRUE(unnamed.err.contains(u"no row is named by saved.html"_s))
        << unnamed.err.toStdString();
}

// A block page reads as blocked on the bytes as saved, for count and keyword rows alike, under
// either profile: a UTF-8 page's title is found though the classic row decodes as ANSI.
TEST_F(EnginesCommand, TestReadsBlockSignsOnTheSavedBytes) {
    writeFile(file(u"empty.json"_s), R"({"rows": []})");
    writeFile(file(u"block.html"_s),
              "<html><head><title>\xe7\x99\xbe\xe5\xba\xa6\xe5\xae\x89\xe5\x85\xa8"
              "\xe9\xaa\x8c\xe8\xaf\x81</title></head><body></body></html>");
    for (const char* profile : {"classic", "today"}) {
        for (const char* row : {"baidu.site", "baidu.keyword"}) {
            SCOPED_TRACE(std::string(profile) + " " + row);
            const test::CliResult tested =
                run({u"--profile"_s, QString::fromLatin1(profile), u"test"_s, file(u"empty.json"_s),
                     u"--row"_s, QString::fromLatin1(row), file(u"block.html"_s)});
            EXPECT_EQ(tested.exitCode, 3) << tested.err.toStdString(); // a block is a fault
            EXPECT_EQ(tested.out, QString::fromLatin1(row) + u"\t0\tblocked title\t-\n"_s);
        }
    }
}

TEST_F(EnginesCommand, CheckAndABadSettingsFileEndWithStatusTwo) {
    writeFile(file(u"good.json"_s), R"({"rows": [{"id": "bing.site", "minIntervalMs": 2000}]})");
    writeFile(file(u"bad.json"_s), "{\"rows\": [\n  {\"id\": \"bing.site\", \"mode\": \"utf8\"}]}");
    const test::CliResult good = run({u"check"_s, file(u"good.json"_s)});
    EXPECT_EQ(good.exitCode, 0) << good.err.toStdString();
    const test::CliResult bad = run({u"check"_s, file(u"bad.json"_s)});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.startsWith(file(u"bad.json"_s) + u":2:23: row \"bing.site\", mode:"_s))
        << bad.err.toStdString();

    writeFile(file(u"kelvane.ini"_s), "[engines]\nfile = bad.json\n");
    test::ScopedEnvironment environment;
    environment.set("KELVANE_CONFIG", file(u"kelvane.ini"_s).toLocal8Bit());
    const test::CliResult refused = run({u"list"_s});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(u"bad.json:2:23:"_s)) << refused.err.toStdString();
    EXPECT_TRUE(refused.out.isEmpty());

    writeFile(file(u"kelvane.ini"_s), "[engines]\nfile = good.json\n");
    const test::CliResult listed = run({u"list"_s});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains(u"\nbing.site\tbing\t/search?q=site:{domain}\t1\n"_s))
        << listed.out.toStdString();
}

} // namespace
} // namespace kelvane
