#include "lookup/lookup_fixtures.h"
#include "lookup/lookups.h"
#include "platform/text_codec.h"
#include "support/cli_runner.h"
#include "support/fixture_web.h"
#include "support/hosts_override.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::lookup::gbkPageFile;

const QString kCli = QStringLiteral(KELVANE_CLI_PATH);
const QString kWhois = QStringLiteral("whois");
const QString kHome = QStringLiteral("home");

class LookupCommands : public testing::Test {
protected:
    test::CliResult run(const QStringList& arguments) {
        return test::runCli(kCli, arguments, folder.path(), 30000);
    }

    QTemporaryDir folder;
};

TEST_F(LookupCommands, PrintTheTextsTheWindowsShow) {
    test::FixtureWeb web;
    web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
              gbkPageFile(QStringLiteral("whois_record.gbk.html")));
    web.route(kWhois,
              "/cgi-bin/whois?domain=", gbkPageFile(QStringLiteral("whois_record.gbk.html")));
    web.route(kHome, "/ip/data/", gbkPageFile(QStringLiteral("own_ip.gbk.html")));
    web.route(kHome, "/ip/data/?ip=203.0.113.9", gbkPageFile(QStringLiteral("ip_answer.gbk.html")));
    web.route(kHome, "/ip/data/?ip=999.1.1.1", gbkPageFile(QStringLiteral("ip_mars.gbk.html")));
    const struct {
        QStringList arguments;
        QString out;
    } cases[] = {
        {{kWhois, QStringLiteral("www.ab.example")}, test::lookup::kWhoisRecordShown},
        {{kWhois, QString()}, test::lookup::kWhoisRecordShown},
        {{QStringLiteral("ip")}, test::lookup::kOwnIpShown},
        {{QStringLiteral("ip"), QStringLiteral("http://203.0.113.9")},
         test::lookup::kIpAnswerShown},
        {{QStringLiteral("ip"), QStringLiteral("999.1.1.1")},
         QString::fromUtf16(lookup::kIpUnknownText)},
    };
    for (const auto& c : cases) {
        const test::CliResult result = run(c.arguments);
        const std::string name = c.arguments.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 0) << name << result.err.toStdString();
        EXPECT_EQ(result.out, c.out + u'\n') << name;
        EXPECT_TRUE(result.err.isEmpty()) << name;
    }
}

TEST_F(LookupCommands, FailuresPrintTheWindowsTextAndSayWhyOnStandardError) {
    const test::HostsOverride hosts(
        {{kWhois, QStringLiteral("127.0.0.1:%1").arg(test::lookup::closedPort())},
         {kHome, QStringLiteral("127.0.0.1:%1").arg(test::lookup::closedPort())}});
    const struct {
        QStringList arguments;
        QString out;
    } cases[] = {
        {{kWhois, QStringLiteral("ab.example")}, QString::fromUtf16(lookup::kWhoisFailureText)},
        {{QStringLiteral("ip")}, QString()},
        {{QStringLiteral("ip"), QStringLiteral("1.2.3.4")},
         QString::fromUtf16(lookup::kIpFailureText)},
    };
    for (const auto& c : cases) {
        const test::CliResult result = run(c.arguments);
        const std::string name = c.arguments.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_EQ(result.out, c.out + u'\n') << name;
        EXPECT_TRUE(result.err.contains(QStringLiteral("lookup failed: Socket Error # ")))
            << name << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("(reason: connect)")))
            << name << result.err.toStdString();
    }
}

TEST_F(LookupCommands, EmptyWhoisRecordIsAFailure) {
    test::FixtureWeb web;
    web.route(kWhois, "/cgi-bin/whois?domain=ab.example",
              test::lookup::gbkPage(platform::toAnsi(QStringLiteral("<!-- start -->友情提示"))));
    const test::CliResult result = run({kWhois, QStringLiteral("ab.example")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, QString::fromUtf16(lookup::kWhoisFailureText) + u'\n');
    EXPECT_TRUE(result.err.contains(QStringLiteral("empty record"))) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("(reason: empty)"))) << result.err.toStdString();
}

TEST_F(LookupCommands, UsageErrors) {
    const QStringList cases[] = {
        {kWhois},
        {kWhois, QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("ip"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("ip"), QStringLiteral("--no-such-option")},
    };
    for (const QStringList& arguments : cases) {
        const test::CliResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("--help")))
            << arguments.join(u' ').toStdString();
    }
    const test::CliResult help = run({QStringLiteral("ip"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("ADDRESS")));
}

} // namespace
} // namespace kelvane
