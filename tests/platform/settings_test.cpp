// The settings file: keys and bad values, the lookup order, and the older hosts file winning
// over the settings file's [hosts].
#include "platform/host_config.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "support/hosts_override.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace kelvane {
namespace {

QString writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name) {
        had_ = qEnvironmentVariableIsSet(name);
        previous_ = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
        platform::reloadSettings();
        platform::reloadHosts();
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
        platform::reloadSettings();
        platform::reloadHosts();
    }

private:
    const char* name_;
    QByteArray previous_;
    bool had_ = false;
};

TEST(SettingsTest, KeysValuesAndProblems) {
    const platform::ExchangeSettings defaults;
    struct Case {
        const char* name;
        QByteArray text;
        qint64 deadlineMs;
        qint64 maxBodyBytes;
        std::vector<const char*> problemParts; // one entry per problem, a part of its text
    };
    const Case cases[] = {
        {"empty", "", defaults.deadlineMs, defaults.maxBodyBytes, {}},
        {"both set", "[network]\ndeadline_ms=5000\nmax_body_bytes=1000\n", 5000, 1000, {}},
        {"zero is none", "[network]\ndeadline_ms=0\nmax_body_bytes=0\n", 0, 0, {}},
        {"spaces around", "[network]\ndeadline_ms = 750 \n", 750, defaults.maxBodyBytes, {}},
        {"not a number",
         "[network]\ndeadline_ms=soon\n",
         defaults.deadlineMs,
         defaults.maxBodyBytes,
         {"deadline_ms = \"soon\" is not a whole number from 0 to 1000000000; 20000"}},
        {"negative",
         "[network]\nmax_body_bytes=-1\n",
         defaults.deadlineMs,
         defaults.maxBodyBytes,
         {"max_body_bytes = \"-1\" is not a whole number from 0 to 1099511627776; 33554432 is "
          "used"}},
        {"too long for the clock",
         "[network]\ndeadline_ms=9223372036854775807\n",
         defaults.deadlineMs,
         defaults.maxBodyBytes,
         {"\"9223372036854775807\" is not a whole number from 0 to 1000000000"}},
        {"comma splits nothing",
         "[network]\ndeadline_ms=1,000\n",
         defaults.deadlineMs,
         defaults.maxBodyBytes,
         {"\"1,000\""}},
        {"unknown key",
         "[network]\nspeed=3\ndeadline_ms=9\n",
         9,
         defaults.maxBodyBytes,
         {"unknown key \"speed\" in [network]"}},
        {"unknown section and loose key",
         "stray=1\n[colours]\nred=1\n",
         defaults.deadlineMs,
         defaults.maxBodyBytes,
         {"unknown section [colours]", "\"stray\" outside any section"}},
        {"unknown host key",
         "[hosts]\nhome=127.0.0.1:1\nhom=x\n",
         defaults.deadlineMs,
         defaults.maxBodyBytes,
         {"unknown key \"hom\" in [hosts]"}},
    };
    QTemporaryDir dir;
    int fileNumber = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A file of its own per case: QSettings caches what it read by path.
        const QString path =
            writeFile(dir.filePath(QStringLiteral("case%1.ini").arg(++fileNumber)), c.text);
        const platform::Settings read = platform::readSettingsFile(path);
        EXPECT_EQ(read.exchange.deadlineMs, c.deadlineMs);
        EXPECT_EQ(read.exchange.maxBodyBytes, c.maxBodyBytes);
        ASSERT_EQ(static_cast<size_t>(read.problems.size()), c.problemParts.size())
            << read.problems.join(u'\n').toStdString();
        for (size_t i = 0; i < c.problemParts.size(); ++i) {
            const QString& problem = read.problems[static_cast<qsizetype>(i)];
            EXPECT_TRUE(problem.contains(QString::fromUtf8(c.problemParts[i])))
                << problem.toStdString();
        }
    }
    const platform::Settings hosts = platform::readSettingsFile(
        writeFile(dir.filePath(QStringLiteral("h.ini")), "[hosts]\nhome = 127.0.0.1:1\n"));
    EXPECT_EQ(hosts.hosts.value(QStringLiteral("home")), QStringLiteral("127.0.0.1:1"));

    // The transport keys.
    const QString ca = writeFile(dir.filePath(QStringLiteral("ca.pem")), "PEM");
    const platform::Settings transport = platform::readSettingsFile(
        writeFile(dir.filePath(QStringLiteral("t.ini")),
                  "[network]\nhttps = on\nca_file = " + ca.toUtf8() +
                      "\nproxy = socks5://u:p@127.0.0.1:1080\nno_proxy = a.test, b.test\n"));
    EXPECT_TRUE(transport.problems.isEmpty()) << transport.problems.join(u'\n').toStdString();
    EXPECT_TRUE(transport.exchange.followHttps);
    EXPECT_EQ(transport.exchange.caFile, ca);
    EXPECT_EQ(transport.exchange.proxy.kind, platform::ProxyConfig::Kind::Socks5);
    EXPECT_EQ(transport.exchange.proxy.password, QStringLiteral("p"));
    EXPECT_EQ(transport.exchange.noProxy, (QStringList{u"a.test"_qs, u"b.test"_qs}));
    const platform::Settings bad = platform::readSettingsFile(
        writeFile(dir.filePath(QStringLiteral("b.ini")),
                  "[network]\nhttps = maybe\nca_file = /no/such.pem\nproxy = ftp://h:1\n"));
    EXPECT_EQ(bad.exchange, defaults);
    ASSERT_EQ(bad.problems.size(), 3) << bad.problems.join(u'\n').toStdString();
    EXPECT_TRUE(bad.problems.join(u'\n').contains(u"is not on or off; off is used"_qs));
    EXPECT_TRUE(bad.problems.join(u'\n').contains(u"is not a readable file; none is used"_qs));

    const platform::Settings missing =
        platform::readSettingsFile(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_EQ(missing.exchange, defaults);
    EXPECT_EQ(missing.problems.size(), 1);
}

// A file that holds every key at its stated built-in value reads as the defaults.
TEST(SettingsTest, BuiltInValuesAreTheDefaults) {
    QByteArray text;
    for (const QString& line : platform::builtInLines()) {
        const qsizetype close = line.indexOf(u']');
        text += "[" + line.mid(1, close - 1).toUtf8() + "]\n" + line.mid(close + 2).toUtf8() + "\n";
    }
    QTemporaryDir dir;
    const platform::Settings read =
        platform::readSettingsFile(writeFile(dir.filePath(QStringLiteral("k.ini")), text));
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join(u'\n').toStdString();
    EXPECT_EQ(read.exchange, platform::ExchangeSettings());
    EXPECT_EQ(read.pacing, platform::PacingSettings());
    EXPECT_TRUE(read.enginesFile.isEmpty());
    EXPECT_EQ(read.profile, platform::EngineProfile::Classic); // the tests' own environment
    EXPECT_EQ(platform::builtInLines().size(), 12);
}

// The profile: the file names it, KELVANE_PROFILE wins over the file, and https follows the
// profile unless the file says otherwise.
TEST(SettingsTest, ProfileChoosesTheDefaultsAndTheEnvironmentWins) {
    QTemporaryDir dir;
    const struct {
        const char* text;
        const char* environment; // null: unset
        platform::EngineProfile profile;
        bool followHttps;
        int problems;
    } cases[] = {
        {"", nullptr, platform::EngineProfile::Today, true, 0},
        {"[engines]\nprofile=classic\n", nullptr, platform::EngineProfile::Classic, false, 0},
        {"[engines]\nprofile=Today\n", nullptr, platform::EngineProfile::Today, true, 0},
        {"[engines]\nprofile=today\n[network]\nhttps=off\n", nullptr,
         platform::EngineProfile::Today, false, 0},
        {"[engines]\nprofile=classic\n[network]\nhttps=on\n", nullptr,
         platform::EngineProfile::Classic, true, 0},
        {"[engines]\nprofile=1999\n", nullptr, platform::EngineProfile::Today, true, 1},
        {"[engines]\nprofile=today\n", "classic", platform::EngineProfile::Classic, false, 0},
        {"[engines]\nprofile=classic\n", "today", platform::EngineProfile::Today, true, 0},
        {"", "tomorrow", platform::EngineProfile::Today, true, 1},
    };
    int number = 0;
    for (const auto& c : cases) {
        const ScopedEnv env("KELVANE_PROFILE",
                            c.environment ? QString::fromLatin1(c.environment) : QString());
        const platform::Settings read = platform::readSettingsFile(
            writeFile(dir.filePath(QStringLiteral("p%1.ini").arg(++number)), c.text));
        EXPECT_EQ(read.profile, c.profile) << c.text;
        EXPECT_EQ(read.exchange.followHttps, c.followHttps) << c.text;
        EXPECT_EQ(read.problems.size(), c.problems)
            << c.text << read.problems.join(u'\n').toStdString();
    }
}

// Each profile brings its own hosts; [hosts] in the file wins over either.
TEST(SettingsTest, EachProfileHasItsOwnHosts) {
    QTemporaryDir dir;
    const QString file =
        writeFile(dir.filePath(QStringLiteral("h.ini")), "[hosts]\nsogou=127.0.0.1:9\n");
    const ScopedEnv config("KELVANE_CONFIG", file);
    {
        const ScopedEnv profile("KELVANE_PROFILE", QStringLiteral("today"));
        EXPECT_EQ(platform::originFor(QStringLiteral("baidu")), u"https://www.baidu.com"_qs);
        EXPECT_EQ(platform::originFor(QStringLiteral("sogou")), u"http://127.0.0.1:9"_qs);
        EXPECT_EQ(platform::hostFor(QStringLiteral("soso")), u"www.soso.invalid"_qs);
    }
    {
        const ScopedEnv profile("KELVANE_PROFILE", QStringLiteral("classic"));
        EXPECT_EQ(platform::originFor(QStringLiteral("baidu")), u"http://www.baidu.com"_qs);
        EXPECT_EQ(platform::originFor(QStringLiteral("sogou")), u"http://127.0.0.1:9"_qs);
    }
}

TEST(SettingsTest, LookupOrder) {
    QTemporaryDir dir;
    const QString beside = writeFile(dir.filePath(QStringLiteral("kelvane.ini")), "");
    const QString named = writeFile(dir.filePath(QStringLiteral("named.ini")), "");
    const platform::ScopedExecutableDir executable(dir.path());
    {
        const ScopedEnv env("KELVANE_CONFIG", named);
        EXPECT_EQ(platform::settingsFilePath(), named);
    }
    {
        const ScopedEnv env("KELVANE_CONFIG", QString());
        EXPECT_EQ(platform::settingsFilePath(), beside);
        QFile::remove(beside);
        EXPECT_EQ(platform::settingsFilePath(), QString());
    }
}

// The older hosts file keeps working, and where both name a service, it wins.
TEST(SettingsTest, HostsFileOverridesTheSettingsFile) {
    QTemporaryDir dir;
    const QString path = writeFile(dir.filePath(QStringLiteral("kelvane.ini")),
                                   "[hosts]\nhome=127.0.0.1:1111\nbaidu=127.0.0.1:2222\n"
                                   "[network]\ndeadline_ms=1234\n");
    const ScopedEnv env("KELVANE_CONFIG", path);
    EXPECT_EQ(platform::hostFor(QStringLiteral("home")), QStringLiteral("127.0.0.1:1111"));
    EXPECT_EQ(platform::currentSettings().exchange.deadlineMs, 1234);
    const test::HostsOverride older({{QStringLiteral("home"), QStringLiteral("127.0.0.1:3333")}});
    EXPECT_EQ(platform::hostFor(QStringLiteral("home")), QStringLiteral("127.0.0.1:3333"));
    EXPECT_EQ(platform::hostFor(QStringLiteral("baidu")), QStringLiteral("127.0.0.1:2222"));
    EXPECT_EQ(platform::hostFor(QStringLiteral("google")), QStringLiteral("www.google.com"));
}

} // namespace
} // namespace kelvane
