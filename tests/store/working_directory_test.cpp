#include "platform/errors.h"
#include "query/site_query_state.h"
#include "store/history.h"
#include "store/site_list.h"
#include "store/working_directory.h"
#include "store_fixture.h"

#include <QFileInfo>

namespace kelvane::store {
namespace {

class WorkingDirectoryTest : public test::StoreTest {};

TEST_F(WorkingDirectoryTest, FirstStartCreatesDirectoriesAndEmptySiteList) {
    const auto loaded = PrepareWorkingDirectory(root());

    EXPECT_FALSE(loaded.has_value()) << "the domain list stays empty until activation";
    EXPECT_TRUE(QFileInfo(root() + QStringLiteral("/zenvo")).isDir());
    EXPECT_TRUE(QFileInfo(root() + QStringLiteral("/zenvo/data")).isDir());
    EXPECT_EQ(readBytes(QStringLiteral("zenvo/website.txt")), QByteArray());
    EXPECT_TRUE(ReadSiteList().isEmpty());
}

TEST_F(WorkingDirectoryTest, SecondStartLoadsTheListAndCreatesNothing) {
    PrepareWorkingDirectory(root());
    writeBytes(QStringLiteral("zenvo/website.txt"), "ab.example\r\ncd.example\r\n");
    ASSERT_TRUE(QDir().rmdir(QStringLiteral("zenvo/data")));

    const auto loaded = PrepareWorkingDirectory(root());

    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, (QStringList{QStringLiteral("ab.example"), QStringLiteral("cd.example")}));
    EXPECT_EQ(readBytes(QStringLiteral("zenvo/website.txt")), "ab.example\r\ncd.example\r\n");
    // The data directory is made only when the site list is missing too, so the first
    // history record of such a start fails where the empty file is created.
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("zenvo/data")));
    query::SiteQueryState view;
    view.txtUrl = QStringLiteral("ab.example");
    EXPECT_THROW(SaveToFile(view, QStringLiteral("0")), platform::EFileError);
}

TEST_F(WorkingDirectoryTest, OtherCurrentDirectoryWithoutZenvoFailsToCreateTheList) {
    const QString exe = root() + QStringLiteral("/exe");
    makeDir(exe);
    makeDir(QStringLiteral("cwd"));
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral("cwd")));

    EXPECT_THROW(PrepareWorkingDirectory(exe), platform::EFileError);

    EXPECT_TRUE(QFileInfo(exe + QStringLiteral("/zenvo/data")).isDir());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("zenvo")));
    EXPECT_FALSE(QFileInfo::exists(exe + QStringLiteral("/zenvo/website.txt")));
    // What the main window's first activation then meets.
    EXPECT_THROW(ReadSiteList(), platform::EFileError);
}

TEST_F(WorkingDirectoryTest, CurrentDirectoryListIsKeptWhenTheExecutableFolderHasNoZenvo) {
    const QString exe = root() + QStringLiteral("/exe");
    makeDir(exe);
    makeDir(QStringLiteral("cwd/zenvo"));
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral("cwd")));
    writeBytes(QStringLiteral("zenvo/website.txt"), "ab.example\r\n");

    const auto loaded = PrepareWorkingDirectory(exe);

    EXPECT_FALSE(loaded.has_value()) << "loaded only at the first activation";
    EXPECT_TRUE(QFileInfo(exe + QStringLiteral("/zenvo/data")).isDir());
    EXPECT_EQ(readBytes(QStringLiteral("zenvo/website.txt")), "ab.example\r\n");
    EXPECT_EQ(ReadSiteList(), QStringList{QStringLiteral("ab.example")});
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("zenvo/data")))
        << "the current directory's data folder is not made";
}

TEST_F(WorkingDirectoryTest, ListInCurrentDirectoryIsLoadedWhenTheExecutableFolderHasZenvo) {
    const QString exe = root() + QStringLiteral("/exe");
    makeDir(exe + QStringLiteral("/zenvo"));
    makeDir(QStringLiteral("cwd/zenvo"));
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral("cwd")));
    writeBytes(QStringLiteral("zenvo/website.txt"), "ab.example");

    const auto loaded = PrepareWorkingDirectory(exe);

    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, QStringList{QStringLiteral("ab.example")});
    EXPECT_FALSE(QFileInfo::exists(exe + QStringLiteral("/zenvo/data")))
        << "nothing is created once the list is found";
}

} // namespace
} // namespace kelvane::store
