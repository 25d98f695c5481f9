#include "platform/text_codec.h"
#include "support/cli_runner.h"
#include "support/fixture_web.h"
#include "support/scoped_environment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace Qt::StringLiterals;

const QString kCli = QStringLiteral(KELVANE_CLI_PATH);

// Sites "s1.example" .. "sN.example".
QStringList siteNames(int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << u"s%1.example"_s.arg(i);
    return names;
}

// A working folder with its site list, and the settings file the runs read.
class Folder {
public:
    explicit Folder(const QStringList& sites) {
        QDir(dir.path()).mkpath(u"zenvo/data"_s);
        QFile list(dir.filePath(u"zenvo/website.txt"_s));
        if (list.open(QIODevice::WriteOnly))
            list.write(platform::toAnsi(sites.join(u"\r\n"_s)));
    }
    QByteArray history(const QString& domain) const {
        QFile file(dir.filePath(u"zenvo/data/"_s + domain + u".txt"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeHistory(const QString& domain, const QByteArray& records) const {
        QFile file(dir.filePath(u"zenvo/data/"_s + domain + u".txt"_s));
        if (file.open(QIODevice::WriteOnly))
            file.write(records);
    }
    test::CliResult run(const QStringList& arguments) const {
        return test::runCli(kCli, arguments, dir.path(), 120000);
    }

    QTemporaryDir dir;
};

// Runs with the settings file's [network] lines.
class Settings {
public:
    explicit Settings(const QByteArray& network) {
        QFile file(dir.filePath(u"kelvane.ini"_s));
        if (file.open(QIODevice::WriteOnly))
            file.write("[network]\n" + network);
        env.set("KELVANE_CONFIG", dir.filePath(u"kelvane.ini"_s).toUtf8());
    }

private:
    QTemporaryDir dir;
    test::ScopedEnvironment env;
};

// The record with its stamp (the one field holding a time of day) blanked; everything else,
// the failure field included, must match.
std::string withoutStamp(const QByteArray& record) {
    QStringList fields = platform::fromAnsi(record).split(u',');
    for (QString& field : fields) {
        static const QRegularExpression kTime(u"\\d:\\d\\d:\\d\\d"_s);
        if (field.contains(kTime))
            field = u"STAMP"_s;
    }
    return fields.join(u',').toStdString();
}

QList<QJsonObject> jsonLines(const QString& out) {
    QList<QJsonObject> objects;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts))
        objects << QJsonDocument::fromJson(line.toUtf8()).object();
    return objects;
}

TEST(SiteBatch, EightJobsGiveWhatOneJobGives) {
    const QStringList sites = siteNames(30);
    test::FixtureWeb web;
    for (const QString& site : sites)
        web.addStandardSite(site);
    web.setLatency(5);
    const Folder one(sites), eight(sites);
    const QStringList arguments{u"site"_s, u"--all-listed"_s, u"--options"_s, u"all"_s,
                                u"--json"_s};
    const test::CliResult serial = one.run(arguments + QStringList{u"--jobs"_s, u"1"_s});
    const test::CliResult parallel = eight.run(arguments + QStringList{u"--jobs"_s, u"8"_s});
    // Sogou's redirected backlink page fails in every run, as it does for one site alone.
    ASSERT_EQ(serial.exitCode, 3) << serial.err.toStdString();
    ASSERT_EQ(parallel.exitCode, 3) << parallel.err.toStdString();

    const QList<QJsonObject> a = jsonLines(serial.out), b = jsonLines(parallel.out);
    ASSERT_EQ(a.size(), 30);
    ASSERT_EQ(b.size(), 30);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(a[i].value(u"domain"_s).toString(), sites[i]) << "in list order";
        EXPECT_EQ(a[i], b[i]) << sites[i].toStdString();
    }
    EXPECT_EQ(a[0].value(u"StringGD"_s).toArray()[1].toArray()[1].toString(), u"12300"_s);
    for (const QString& site : sites) {
        const QByteArray record = one.history(site), other = eight.history(site);
        EXPECT_EQ(record.count("\r\n"), 1) << "one whole record: " << record.toStdString();
        EXPECT_TRUE(record.endsWith("\r\n"));
        EXPECT_EQ(withoutStamp(record), withoutStamp(other)) << site.toStdString();
    }
}

TEST(SiteBatch, RequestStartsToOneHostKeepTheInterval) {
    const Settings settings("min_interval_ms = 150\n");
    const QStringList sites = siteNames(4);
    test::FixtureWeb web;
    for (const QString& site : sites)
        web.addStandardSite(site);
    const Folder folder(sites);
    const test::CliResult result = folder.run(
        {u"site"_s, u"--all-listed"_s, u"--options"_s, u"baidu,yahoo"_s, u"--jobs"_s, u"4"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const QString& key : {u"baidu"_s, u"yahoo_explorer"_s}) {
        const auto starts = web.arrivals(key);
        ASSERT_EQ(starts.size(), 8u) << key.toStdString();
        // Eight starts one interval apart span seven intervals. A request reaches the server a
        // little after its start, and a busy machine can hold the first one up: one interval
        // of slack, where four jobs without pacing would all arrive at once.
        EXPECT_GE(starts.back() - starts.front(), std::chrono::milliseconds(6 * 150))
            << key.toStdString();
    }
}

TEST(SiteBatch, CaptchaRestsItsEngineAndNoOther) {
    const QStringList sites = siteNames(3);
    test::FixtureWeb web;
    for (const QString& site : sites)
        web.addStandardSite(site);
    web.routeRedirect(u"baidu"_s, "/s?wd=site:s1.example", "http://wappass.baidu.com/captcha");
    const Folder folder(sites);
    const test::CliResult result =
        folder.run({u"site"_s, u"--all-listed"_s, u"--options"_s, u"baidu,bing"_s, u"--json"_s});
    EXPECT_EQ(result.exitCode, 3) << result.err.toStdString();
    EXPECT_EQ(web.requestLines(u"baidu"_s).size(), 1) << "nothing sent after the captcha";
    EXPECT_EQ(web.requestLines(u"bing"_s).size(), 6);
    const QList<QJsonObject> objects = jsonLines(result.out);
    ASSERT_EQ(objects.size(), 3);
    for (const QJsonObject& object : objects) {
        QStringList baiduCells;
        for (const QJsonValue& failure : object.value(u"failures"_s).toArray()) {
            const QJsonObject f = failure.toObject();
            EXPECT_EQ(f.value(u"reason"_s).toString(), u"blocked"_s);
            if (f.value(u"column"_s).toInt() == 1)
                baiduCells << f.value(u"detail"_s).toString();
        }
        const QStringList expected = object.value(u"domain"_s) == u"s1.example"_s
                                         ? QStringList{u"location-host"_s, u"paused"_s}
                                         : QStringList{u"paused"_s, u"paused"_s};
        EXPECT_EQ(baiduCells, expected) << object.value(u"domain"_s).toString().toStdString();
        EXPECT_EQ(object.value(u"StringGD"_s).toArray()[1].toArray()[7].toString(), u"5670"_s);
    }
}

TEST(SiteBatch, RetryFailedQueriesExactlyTheFailedSites) {
    const QStringList sites = siteNames(4);
    test::FixtureWeb web;
    for (const QString& site : sites)
        web.addStandardSite(site);
    const Folder folder(sites + QStringList{u"not a domain"_s});
    const QByteArray clean = "1/1,0/0,0/0,0/0,0/0,0/0,0/0,0,0,0,0,2024/1/1 1:00:00\r\n";
    const QByteArray failed = "0/0,0/0,0/0,0/0,0/0,0/0,0/0,0,0,0,0,2024/1/2 1:00:00,"
                              "baidu.site=timeout\r\n";
    folder.writeHistory(u"s1.example"_s, clean + failed); // newest record failed
    folder.writeHistory(u"s2.example"_s, failed + clean); // failed once, clean since
    folder.writeHistory(u"s3.example"_s, failed);
    // s4 has never been queried.
    const test::CliResult result = folder.run({u"site"_s, u"--all-listed"_s, u"--retry-failed"_s,
                                               u"--options"_s, u"baidu"_s, u"--json"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QStringList queried;
    for (const QJsonObject& object : jsonLines(result.out))
        queried << object.value(u"domain"_s).toString();
    EXPECT_EQ(queried, (QStringList{u"s1.example"_s, u"s3.example"_s}));
    EXPECT_EQ(web.requestLines(u"baidu"_s).size(), 4);
    EXPECT_TRUE(result.err.contains(u"'not a domain'"_s)) << result.err.toStdString();
    EXPECT_EQ(folder.history(u"s2.example"_s), failed + clean);
}

TEST(SiteBatch, CsvHasAHeaderAndOneGuardedRowPerSite) {
    const QStringList sites = siteNames(2);
    test::FixtureWeb web;
    for (const QString& site : sites)
        web.addStandardSite(site);
    web.route(u"home"_s, "/api/alexa.asp?d=s2.example",
              test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/plain"}, "=1+1"));
    const Folder folder(sites);
    const test::CliResult result =
        folder.run({u"site"_s, u"s1.example"_s, u"s2.example"_s, u"--csv"_s, u"--jobs"_s, u"2"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList rows = result.out.split(u"\r\n"_s, Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3) << result.out.toStdString();
    EXPECT_TRUE(rows[0].startsWith(u"domain,baidu,google,"_s));
    EXPECT_TRUE(rows[0].endsWith(u",time,failures"_s));
    EXPECT_TRUE(rows[1].startsWith(u"s1.example,12300/4560,1230/45,"_s)) << rows[1].toStdString();
    EXPECT_TRUE(rows[1].contains(u",4,0,\"12,345\",未选,"_s)) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].contains(u",'=1+1,"_s)) << rows[2].toStdString();
    EXPECT_TRUE(rows[1].endsWith(u','));
}

} // namespace
} // namespace kelvane
