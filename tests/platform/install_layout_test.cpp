#include "platform/install_layout.h"
#include "platform/paths.h"
#include "support/scoped_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kelvane::platform {
namespace {

// A temporary home with XDG_DATA_HOME and XDG_CONFIG_HOME unset, and the current directory
// given back after each test.
class InstallLayoutTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        previousCurrent = QDir::currentPath();
        home = root.filePath(QStringLiteral("home"));
        ASSERT_TRUE(QDir().mkpath(home));
        env.set("HOME", QFile::encodeName(home));
        env.unset("XDG_DATA_HOME");
        env.unset("XDG_CONFIG_HOME");
    }
    void TearDown() override { QDir::setCurrent(previousCurrent); }

    // "<root>/<prefix>/bin", with "<prefix>/share/kelvane" beside it when installed.
    QString makePrefix(const QString& prefix, bool installed) {
        const QString bin = root.filePath(prefix + QStringLiteral("/bin"));
        EXPECT_TRUE(QDir().mkpath(bin));
        if (installed) {
            EXPECT_TRUE(QDir().mkpath(root.filePath(prefix + QStringLiteral("/share/kelvane"))));
        }
        return bin;
    }

    QTemporaryDir root;
    QString home;
    QString previousCurrent;
    test::ScopedEnvironment env;
};

TEST_F(InstallLayoutTest, XdgFoldersFollowTheBaseDirectoryRules) {
    struct Case {
        const char* name;
        std::optional<QByteArray> dataHome;
        std::optional<QByteArray> configHome;
        QString data;
        QString config;
    };
    // "~" stands for the home folder.
    const Case cases[] = {
        {"unset", std::nullopt, std::nullopt, QStringLiteral("~/.local/share/kelvane"),
         QStringLiteral("~/.config/kelvane/kelvane.ini")},
        {"empty", QByteArray(), QByteArray(), QStringLiteral("~/.local/share/kelvane"),
         QStringLiteral("~/.config/kelvane/kelvane.ini")},
        {"relative is ignored", QByteArray("data"), QByteArray("conf/"),
         QStringLiteral("~/.local/share/kelvane"), QStringLiteral("~/.config/kelvane/kelvane.ini")},
        {"absolute, trailing slash", QByteArray("/srv/d/"), QByteArray("/srv/c//"),
         QStringLiteral("/srv/d/kelvane"), QStringLiteral("/srv/c/kelvane/kelvane.ini")},
    };
    for (const Case& c : cases) {
        test::ScopedEnvironment local;
        if (c.dataHome)
            local.set("XDG_DATA_HOME", *c.dataHome);
        if (c.configHome)
            local.set("XDG_CONFIG_HOME", *c.configHome);
        EXPECT_EQ(userDataFolder(), QString(c.data).replace(u'~', home)) << c.name;
        EXPECT_EQ(userConfigFile(), QString(c.config).replace(u'~', home)) << c.name;
    }
}

TEST_F(InstallLayoutTest, OnlyABinFolderBesideShareKelvaneIsInstalled) {
    EXPECT_TRUE(isInstalledLayout(makePrefix(QStringLiteral("usr"), true)));
    EXPECT_FALSE(isInstalledLayout(makePrefix(QStringLiteral("build"), false)));
    // A file of that name, or share/ without kelvane, marks nothing.
    const QString other = makePrefix(QStringLiteral("other"), false);
    ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("other/share"))));
    QFile marker(root.filePath(QStringLiteral("other/share/kelvane")));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    EXPECT_FALSE(isInstalledLayout(other));
}

TEST_F(InstallLayoutTest, AFolderTheProgramCannotWriteUsesTheUserDataFolder) {
    const QString bin = makePrefix(QStringLiteral("unpacked"), false);
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    if (::access(QFile::encodeName(bin).constData(), W_OK) == 0) {
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "permissions do not bind this user (root)";
    }
    EXPECT_TRUE(usesUserDataFolder(bin));
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(usesUserDataFolder(bin));
}

TEST_F(InstallLayoutTest, BuildFolderKeepsTheDataBesideTheExecutable) {
    const QString bin = makePrefix(QStringLiteral("build"), false);
    const ScopedExecutableDir exe(bin);
    const QString started = root.filePath(QStringLiteral("started"));
    ASSERT_TRUE(QDir().mkpath(started));
    ASSERT_TRUE(QDir::setCurrent(started));

    EXPECT_EQ(workingFolder(), bin);
    EXPECT_EQ(enterWorkingFolder(), QString());
    EXPECT_EQ(QDir::currentPath(), QDir(started).canonicalPath()) << "the directory stays";
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/.local"))) << "nothing made";
}

TEST_F(InstallLayoutTest, InstalledProgramEntersAPrivateUserDataFolder) {
    const ScopedExecutableDir exe(makePrefix(QStringLiteral("usr"), true));
    const QString expected = home + QStringLiteral("/.local/share/kelvane");

    EXPECT_EQ(workingFolder(), expected);
    EXPECT_EQ(enterWorkingFolder(), QString());
    EXPECT_EQ(QDir::currentPath(), expected);
    EXPECT_EQ(QFileInfo(expected).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
    // A second start enters the folder that is there.
    ASSERT_TRUE(QDir::setCurrent(root.path()));
    EXPECT_EQ(enterWorkingFolder(), QString());
    EXPECT_EQ(QDir::currentPath(), expected);
}

TEST_F(InstallLayoutTest, DataFolderThatCannotBeMadeIsReportedAndTheDirectoryStays) {
    const ScopedExecutableDir exe(makePrefix(QStringLiteral("usr"), true));
    // The data home is a file, so no folder can be made under it, not even by root.
    QFile blocker(root.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    env.set("XDG_DATA_HOME", QFile::encodeName(blocker.fileName()));
    ASSERT_TRUE(QDir::setCurrent(root.path()));

    const QString problem = enterWorkingFolder();

    EXPECT_TRUE(problem.contains(blocker.fileName() + QStringLiteral("/kelvane")))
        << problem.toStdString();
    EXPECT_EQ(QDir::currentPath(), QDir(root.path()).canonicalPath());
}

} // namespace
} // namespace kelvane::platform
