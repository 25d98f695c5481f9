#include "platform/errors.h"
#include "platform/text_codec.h"
#include "store/site_list.h"
#include "store_fixture.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

class SiteListTest : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeDir(QStringLiteral("zenvo"));
    }
    static QString listPath() { return QStringLiteral("zenvo/website.txt"); }
};

struct ReadCase {
    const char* name;
    QByteArray bytes;
    QStringList entries;
};

TEST_F(SiteListTest, ReadsMarksLineEndsAndNul) {
    const QByteArray utf8 = QStringLiteral(u"中文.example").toUtf8();
    const ReadCase cases[] = {
        {"empty file", "", {}},
        {"final CR LF adds no entry",
         "a.example\r\nb.example\r\n",
         {u"a.example"_s, u"b.example"_s}},
        {"no final break", "a.example\r\nb.example", {u"a.example"_s, u"b.example"_s}},
        {"two CR LF make an empty entry", "a\r\n\r\nb", {u"a"_s, u""_s, u"b"_s}},
        {"CR and LF alone", "a\rb\nc\r\n", {u"a"_s, u"b"_s, u"c"_s}},
        {"LF CR is two breaks", "a\n\rb", {u"a"_s, u""_s, u"b"_s}},
        {"only a break", "\r\n", {u""_s}},
        {"blanks and case kept", " Ab.example \r\n", {u" Ab.example "_s}},
        {"NUL ends the text", QByteArray("a\r\nb\0c\r\nd", 9), {u"a"_s, u"b"_s}},
        {"ANSI", "\xD6\xD0.example\r\n", {u"中.example"_s}},
        {"bad ANSI byte keeps the break", "\x81\r\nb", {u"\uFFFD"_s, u"b"_s}},
        {"UTF-8 mark", "\xEF\xBB\xBF" + utf8 + "\r\n", {u"中文.example"_s}},
        {"UTF-8 without mark is ANSI", utf8, {platform::fromAnsi(utf8)}},
        {"UTF-16 LE mark",
         QByteArray("\xFF\xFE"
                    "a\0\r\0\n\0\x2D\x4E",
                    10),
         {u"a"_s, u"中"_s}},
        {"UTF-16 BE mark", QByteArray("\xFE\xFF\0a\0\n\x4E\x2D", 8), {u"a"_s, u"中"_s}},
        {"only a mark", "\xEF\xBB\xBF", {}},
    };
    for (const ReadCase& c : cases) {
        writeBytes(listPath(), c.bytes);
        EXPECT_EQ(ReadSiteList(), c.entries) << c.name;
    }
}

TEST_F(SiteListTest, ReadingAMissingListFails) {
    EXPECT_THROW(ReadSiteList(), platform::EFileError);
    EXPECT_THROW(ReadSiteListText(), platform::EFileError);
}

TEST_F(SiteListTest, TextForTheEditorHasCrLfBreaks) {
    writeBytes(listPath(), "a\nb\rc\r\n\r\nd");
    EXPECT_EQ(ReadSiteListText(), u"a\r\nb\r\nc\r\n\r\nd"_s);
}

struct WriteCase {
    const char* name;
    QString text;
    QByteArray bytes;
};

TEST_F(SiteListTest, WritesAnsiWithCrLfAndNothingAddedAtTheEnd) {
    const WriteCase cases[] = {
        {"CR LF kept", u"a\r\nb"_s, "a\r\nb"},
        {"final break kept", u"a\r\nb\r\n"_s, "a\r\nb\r\n"},
        {"LF made CR LF", u"a\nb\n"_s, "a\r\nb\r\n"},
        {"empty text, empty file", u""_s, ""},
        {"ANSI, no mark", u"中.example"_s, "\xD6\xD0.example"},
        {"outside the code page", u"a😀b"_s, "a?b"},
        {"blanks kept", u" a "_s, " a "},
    };
    for (const WriteCase& c : cases) {
        WriteSiteList(c.text);
        EXPECT_EQ(readBytes(listPath()), c.bytes)
            << c.name << ": " << test::show(readBytes(listPath()));
    }
}

TEST_F(SiteListTest, ListReadWithAMarkIsSavedAsAnsi) {
    writeBytes(listPath(), "\xEF\xBB\xBF" + QStringLiteral(u"中.example\r\n").toUtf8());
    WriteSiteList(ReadSiteListText());
    EXPECT_EQ(readBytes(listPath()), "\xD6\xD0.example\r\n");
}

TEST_F(SiteListTest, WriteFailsWithoutTheWorkingDirectory) {
    makeDir(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral("elsewhere")));
    EXPECT_THROW(WriteSiteList(u"b.example"_s), platform::EFileError);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("zenvo")));
}

TEST_F(SiteListTest, HundredThousandEntries) {
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("site%1.example\r\n").arg(i);
    QElapsedTimer timer;
    timer.start();
    WriteSiteList(text);
    const QStringList entries = ReadSiteList();
    ASSERT_EQ(entries.size(), 100000);
    EXPECT_EQ(entries.front(), u"site0.example"_s);
    EXPECT_EQ(entries.back(), u"site99999.example"_s);
    RecordProperty("write_and_read_ms", static_cast<int>(timer.elapsed()));
}

} // namespace
} // namespace kelvane::store
