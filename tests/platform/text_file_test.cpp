#include "platform/errors.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::platform {
namespace {

using namespace Qt::StringLiterals;

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    static void put(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray get(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir_;
};

TEST(TextDecoding, MarksSelectTheEncoding) {
    struct Case {
        const char* name;
        QByteArray bytes;
        TextEncoding encoding;
        QString text;
    };
    const Case cases[] = {
        {"none", "ab", TextEncoding::Ansi, u"ab"_s},
        {"ANSI", "\xD6\xD0\x80", TextEncoding::Ansi, u"中€"_s},
        {"ANSI truncated lead byte", "a\xD6", TextEncoding::Ansi, u"a\uFFFD"_s},
        {"UTF-16 LE", QByteArray("\xFF\xFE\x2D\x4E", 4), TextEncoding::Utf16LE, u"中"_s},
        {"UTF-16 BE", QByteArray("\xFE\xFF\x4E\x2D", 4), TextEncoding::Utf16BE, u"中"_s},
        {"UTF-16 odd last byte",
         QByteArray("\xFF\xFE"
                    "a\0b",
                    5),
         TextEncoding::Utf16LE, u"a\uFFFD"_s},
        {"UTF-8", "\xEF\xBB\xBF\xE4\xB8\xAD", TextEncoding::Utf8, u"中"_s},
        {"UTF-8 invalid byte",
         "\xEF\xBB\xBF"
         "a\xFF",
         TextEncoding::Utf8, u"a\uFFFD"_s},
        {"UTF-8 mark only", "\xEF\xBB\xBF", TextEncoding::Utf8, u""_s},
        {"half a UTF-8 mark is ANSI", "\xEF\xBB", TextEncoding::Ansi, fromAnsi("\xEF\xBB")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detectEncoding(c.bytes), c.encoding) << c.name;
        EXPECT_EQ(decodeText(c.bytes), c.text) << c.name;
    }
}

TEST(TextDecoding, EncodingRoundTripsWithAndWithoutMark) {
    for (const TextEncoding e :
         {TextEncoding::Utf16LE, TextEncoding::Utf16BE, TextEncoding::Utf8}) {
        const QByteArray marked = encodeText(u"中a"_s, e, true);
        EXPECT_EQ(detectEncoding(marked), e);
        EXPECT_EQ(decodeText(marked), u"中a"_s);
        EXPECT_EQ(encodeText(u"中a"_s, e, false).size(), marked.size() - markLength(e));
    }
    EXPECT_EQ(encodeText(u"中😀"_s, TextEncoding::Ansi, true), "\xD6\xD0?");
}

TEST_F(TextFileTest, AtomicWriteReplacesTheWholeFile) {
    put(path("f.txt"), "old content that is longer");
    writeFileAtomically(path("f.txt"), "new");
    EXPECT_EQ(get(path("f.txt")), "new");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"f.txt"_s});
}

TEST_F(TextFileTest, AtomicWriteFailureLeavesTheOldFile) {
    put(path("f.txt"), "old");
    setBeforeReplaceHookForTesting([] { throw EFileError(u"stopped"_s); });
    EXPECT_THROW(writeFileAtomically(path("f.txt"), "new"), EFileError);
    setBeforeReplaceHookForTesting({});
    EXPECT_EQ(get(path("f.txt")), "old");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"f.txt"_s});
    EXPECT_THROW(writeFileAtomically(path("missing/f.txt"), "new"), EFileError);
    // A save to a new name that fails leaves nothing behind.
    setBeforeReplaceHookForTesting([] { throw EFileError(u"stopped"_s); });
    EXPECT_THROW(writeFileAtomically(path("new.txt"), "new"), EFileError);
    setBeforeReplaceHookForTesting({});
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"f.txt"_s});
}

TEST_F(TextFileTest, LeftoverOfAKilledSaveIsClearedByTheNextWriter) {
    put(path("f.txt"), "a\r\n");
    put(replacementPath(path("f.txt")), "half of a new fi");
    appendLine(path("f.txt"), u"b"_s);
    EXPECT_EQ(get(path("f.txt")), "a\r\nb\r\n");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"f.txt"_s});
}

TEST_F(TextFileTest, CreatingAnEmptyFileNeverTruncates) {
    createEmptyFileIfMissing(path("f.txt"));
    EXPECT_EQ(get(path("f.txt")), "");
    put(path("f.txt"), "kept");
    createEmptyFileIfMissing(path("f.txt"));
    EXPECT_EQ(get(path("f.txt")), "kept");
    EXPECT_THROW(createEmptyFileIfMissing(path("missing/f.txt")), EFileError);
}

TEST_F(TextFileTest, AppendFollowsTheFileAndEndsItsLastLine) {
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after;
    };
    const Case cases[] = {
        {"empty", "", "\xD6\xD0,1\r\n"},
        {"ended by CR LF", "a\r\n", "a\r\n\xD6\xD0,1\r\n"},
        {"ended by LF", "a\n", "a\n\xD6\xD0,1\r\n"},
        {"unterminated", "a", "a\r\n\xD6\xD0,1\r\n"},
        {"UTF-8 mark only", "\xEF\xBB\xBF", "\xEF\xBB\xBF\xE4\xB8\xAD,1\r\n"},
        {"UTF-8 unterminated",
         "\xEF\xBB\xBF"
         "a",
         "\xEF\xBB\xBF"
         "a\r\n\xE4\xB8\xAD,1\r\n"},
        {"UTF-16 LE",
         QByteArray("\xFF\xFE"
                    "a\0\r\0\n\0",
                    8),
         QByteArray("\xFF\xFE"
                    "a\0\r\0\n\0\x2D\x4E,\0"
                    "1\0\r\0\n\0",
                    18)},
        {"UTF-16 LE cut inside a code unit",
         QByteArray("\xFF\xFE"
                    "a\0b",
                    5),
         QByteArray("\xFF\xFE"
                    "a\0b\0\r\0\n\0\x2D\x4E,\0"
                    "1\0\r\0\n\0",
                    20)},
        {"UTF-16 LE mark twice, no text", QByteArray("\xFF\xFE\xFF\xFE", 4),
         QByteArray("\xFF\xFE\xFF\xFE\x2D\x4E,\0"
                    "1\0\r\0\n\0",
                    14)},
        {"UTF-16 BE unterminated", QByteArray("\xFE\xFF\0a", 4),
         QByteArray("\xFE\xFF\0a\0\r\0\n\x4E\x2D\0,\0"
                    "1\0\r\0\n",
                    18)},
    };
    for (const Case& c : cases) {
        put(path("f.txt"), c.before);
        appendLine(path("f.txt"), u"中,1"_s);
        EXPECT_EQ(get(path("f.txt")), c.after) << c.name;
    }
}

TEST_F(TextFileTest, AppendNeedsAnExistingFile) {
    EXPECT_THROW(appendLine(path("missing.txt"), u"a"_s), EFileError);
    EXPECT_FALSE(QFile::exists(path("missing.txt")));
}

TEST_F(TextFileTest, DirectoryCreationFailsWhenItExists) {
    EXPECT_TRUE(createDirectory(path("d")));
    EXPECT_FALSE(createDirectory(path("d")));
    EXPECT_FALSE(createDirectory(path("no/d")));
    EXPECT_TRUE(isDirectory(path("d")));
    EXPECT_FALSE(isFile(path("d")));
}

} // namespace
} // namespace kelvane::platform
