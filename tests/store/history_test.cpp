#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/locale_format.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "query/site_query_state.h"
#include "store/history.h"
#include "store_fixture.h"
#include "support/memory_bounds.h"

#include <QFileInfo>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

const QString kUnticked = u"未选"_s;

class HistoryTest : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeDir(QStringLiteral("zenvo/data"));
        view_.txtUrl = u"ab.example"_s;
    }

    static QString historyPath(const QString& domain = u"ab.example"_s) {
        return QStringLiteral("zenvo/data/") + domain + QStringLiteral(".txt");
    }

    // Lines "r1" ... "rN", each ended by CR LF.
    static QByteArray numberedLines(int count, const char* lineEnd = "\r\n") {
        QByteArray bytes;
        for (int i = 1; i <= count; ++i)
            bytes += "r" + QByteArray::number(i) + lineEnd;
        return bytes;
    }

    // Baidu and Google ticked, PageRank 3, SogouRank 0, ChinaRank unticked.
    void fillTypicalResult() {
        view_.setStringGDCell(1, 1, u"1200"_s);
        view_.setStringGDCell(1, 2, u"35"_s);
        view_.setStringGDCell(2, 1, u"980"_s);
        view_.setStringGDCell(2, 2, u"12"_s);
        for (int column = 3; column <= 7; ++column) {
            view_.setStringGDCell(column, 1, kUnticked);
            view_.setStringGDCell(column, 2, kUnticked);
        }
        view_.setSouGouRankGPosition(0);
        view_.setLabelText(query::SiteLabel::lblAlexaRank, u"123,456"_s.remove(u','));
        view_.setLabelText(query::SiteLabel::lblChinaRank, kUnticked);
    }

    query::SiteQueryState view_;
    platform::ScopedFormatLocale locale_{QLocale(QLocale::Chinese, QLocale::China)};
    platform::ScopedClockOverride clock_{
        [] { return QDateTime(QDate(2010, 1, 26), QTime(13, 5, 9)); }};
};

TEST_F(HistoryTest, RecordLineHasTwelveFieldsInEngineOrder) {
    fillTypicalResult();
    EXPECT_EQ(HistoryRecordLine(view_, u"3"_s, u"2010/1/26 13:05:09"_s),
              u"1200/35,980/12,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,123456,未选,"
              u"2010/1/26 13:05:09"_s);
}

TEST_F(HistoryTest, FirstRecordCreatesTheFileWithOneAnsiLine) {
    fillTypicalResult();
    SaveToFile(view_, u"3"_s);
    const QByteArray expected =
        platform::toAnsi(u"1200/35,980/12,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,"
                         u"123456,未选,2010/1/26 13:05:09\r\n"_s);
    EXPECT_EQ(readBytes(historyPath()), expected);
}

TEST_F(HistoryTest, StampIsTheDateAloneAtExactlyMidnight) {
    struct Case {
        QTime time;
        QString stamp;
    };
    const Case cases[] = {
        {QTime(0, 0, 0), u"2010/1/26"_s},
        {QTime(0, 0, 0, 999), u"2010/1/26"_s},
        {QTime(0, 0, 1), u"2010/1/26 00:00:01"_s},
        {QTime(0, 1, 0), u"2010/1/26 00:01:00"_s},
        {QTime(23, 59, 59), u"2010/1/26 23:59:59"_s},
    };
    for (const Case& c : cases) {
        platform::ScopedClockOverride at([&] { return QDateTime(QDate(2010, 1, 26), c.time); });
        QFile::remove(historyPath());
        SaveToFile(view_, u"0"_s);
        const auto records = ReadHistory(u"ab.example"_s);
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(records[0].back(), c.stamp) << c.time.toString(u"HH:mm:ss.zzz").toStdString();
    }
}

TEST_F(HistoryTest, TwoCallsAppendTwoIdenticalRecords) {
    fillTypicalResult();
    SaveToFile(view_, u"3"_s);
    SaveToFile(view_, u"3"_s);
    const QList<QByteArray> lines = readBytes(historyPath()).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], lines[1]);
    EXPECT_TRUE(lines[0].endsWith('\r'));
    EXPECT_TRUE(lines[2].isEmpty());
}

TEST_F(HistoryTest, MissingDataDirectoryIsNotGuarded) {
    ASSERT_TRUE(QDir().rmdir(QStringLiteral("zenvo/data")));
    EXPECT_THROW(SaveToFile(view_, u"0"_s), platform::EFileError);
}

TEST_F(HistoryTest, FailedAppendIsReported) {
    // A directory of the file's name exists, so nothing is created and opening it fails.
    makeDir(historyPath());
    EXPECT_THROW(SaveToFile(view_, u"0"_s), platform::EFileError);
    EXPECT_TRUE(QFileInfo(historyPath()).isDir());
}

TEST_F(HistoryTest, LongValuesAreCutToTheirFirstCharacters) {
    const QString emoji = u"\U0001F600"_s;
    struct Case {
        const char* name;
        QString alexa;
        QString stored;
    };
    const Case cases[] = {
        {"at the bound", QString(kHistoryValueLength, u'7'), QString(kHistoryValueLength, u'7')},
        {"a page of text", QString(200000, u'x'), QString(kHistoryValueLength, u'x')},
        {"pair across the bound", QString(kHistoryValueLength - 1, u'y') + emoji,
         QString(kHistoryValueLength - 1, u'y')},
    };
    for (const Case& c : cases) {
        view_.setLabelText(query::SiteLabel::lblAlexaRank, c.alexa);
        view_.setLabelText(query::SiteLabel::lblChinaRank, u"5"_s);
        const QStringList fields = SplitHistoryFields(HistoryRecordLine(view_, u"3"_s, u"d"_s));
        ASSERT_EQ(fields.size(), 12) << c.name;
        EXPECT_EQ(fields[9], c.stored) << c.name;
        EXPECT_EQ(fields[10], u"5"_s) << c.name;
    }
}

TEST_F(HistoryTest, HugeOldRecordsAreReadInBoundedMemory) {
    KELVANE_SKIP_UNLESS_MEMORY_MEASURABLE();
    // A 48 MB record from before values were bounded, then more than the retention.
    {
        QFile file(historyPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 20, 'z');
        for (int i = 0; i < 48; ++i)
            ASSERT_EQ(file.write(block), block.size());
        file.write("\r\n");
        file.write(numberedLines(kHistoryRetention));
    }
    EXPECT_EXIT(
        {
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            const auto records = ReadHistory(u"ab.example"_s);
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            const long grownKb = after.ru_maxrss - before.ru_maxrss;
            const bool trimmed = records.size() == kHistoryRetention &&
                                 records.back() == QStringList{u"r1"_s} &&
                                 QFileInfo(historyPath()).size() < 20000;
            std::fprintf(stderr, "grown %ld KB\n", grownKb);
            ::_exit(trimmed && grownKb < 32 * 1024 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(HistoryTest, HugeRecordIsShownCutWhenKept) {
    writeBytes(historyPath(), "a," + QByteArray(100000, 'q') + "\r\nb\r\n");
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0], QStringList{u"b"_s});
    ASSERT_EQ(records[1].size(), 2);
    EXPECT_GT(records[1][1].size(), 1000);
    EXPECT_LT(records[1][1].size(), 10000);
    EXPECT_EQ(readBytes(historyPath()).size(), 100007) << "a kept file is not rewritten";
}

TEST_F(HistoryTest, LineBreakInAValueStaysInsideOneRecord) {
    fillTypicalResult();
    view_.setLabelText(query::SiteLabel::lblAlexaRank, u"12\r\n3"_s);
    SaveToFile(view_, u"3"_s);
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].size(), 12);
    EXPECT_EQ(records[0][9], u"12  3"_s);
}

TEST_F(HistoryTest, AppendEndsAnUnterminatedLastLineFirst) {
    writeBytes(historyPath(), "old");
    SaveToFile(view_, u"0"_s);
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[1], QStringList{u"old"_s});
}

TEST_F(HistoryTest, AppendToAUtf16FileKeepsItReadable) {
    writeBytes(historyPath(),
               platform::encodeText(u"a/b,1\r\n"_s, platform::TextEncoding::Utf16LE, true));
    fillTypicalResult();
    SaveToFile(view_, u"3"_s);
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0][0], u"1200/35"_s);
    EXPECT_EQ(records[0][10], kUnticked);
    EXPECT_EQ(records[1], (QStringList{u"a/b"_s, u"1"_s}));
}

TEST_F(HistoryTest, AppendToAnOddLengthUtf16FileKeepsLaterRecordsReadable) {
    QByteArray cut = platform::encodeText(u"a/b,1\r\nc"_s, platform::TextEncoding::Utf16LE, true);
    cut.append('d'); // half a code unit: a file cut short by another program
    writeBytes(historyPath(), cut);
    fillTypicalResult();
    SaveToFile(view_, u"3"_s);
    SaveToFile(view_, u"3"_s);
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 4);
    for (int newest : {0, 1}) {
        ASSERT_EQ(records[newest].size(), 12) << newest;
        EXPECT_EQ(records[newest][0], u"1200/35"_s);
        EXPECT_EQ(records[newest][10], kUnticked);
    }
    EXPECT_EQ(records[2], QStringList{u"cd"_s}) << "the stray byte is completed, not dropped";
    EXPECT_EQ(records[3], (QStringList{u"a/b"_s, u"1"_s}));
}

TEST_F(HistoryTest, NamesThatLeaveTheDataDirectoryAreRefused) {
    const QString names[] = {u"../ab"_s, u"a/b"_s,  u"..\\ab"_s,
                             u"a\\b"_s,  u"c:ab"_s, u"ab.example:x"_s};
    writeBytes(QStringLiteral("zenvo/ab.txt"), "r1\r\n");
    const QStringList before = QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        view_.txtUrl = name;
        EXPECT_NO_THROW(SaveToFile(view_, u"0"_s)) << name.toStdString();
        EXPECT_THROW(ReadHistory(name), platform::EFileError) << name.toStdString();
    }
    EXPECT_TRUE(QDir(QStringLiteral("zenvo/data")).isEmpty());
    EXPECT_EQ(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_EQ(readBytes(QStringLiteral("zenvo/ab.txt")), "r1\r\n");
}

TEST_F(HistoryTest, ReadingAMissingFileFails) {
    EXPECT_THROW(ReadHistory(u"never.example"_s), platform::EFileError);
}

TEST_F(HistoryTest, RecordsComeNewestFirst) {
    writeBytes(historyPath(), "a,1\r\nb,2\nc,3\r");
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0], (QStringList{u"c"_s, u"3"_s}));
    EXPECT_EQ(records[2], (QStringList{u"a"_s, u"1"_s}));
    EXPECT_EQ(readBytes(historyPath()), "a,1\r\nb,2\nc,3\r") << "short files are not rewritten";
}

TEST_F(HistoryTest, LongFileKeepsItsNewestThousandLines) {
    struct Case {
        int lines;
        const char* lineEnd;
        int firstKept;
    };
    const Case cases[] = {{1500, "\r\n", 501}, {1001, "\n", 2}, {1000, "\n", 1}, {999, "\r", 1}};
    for (const Case& c : cases) {
        const QByteArray original = numberedLines(c.lines, c.lineEnd);
        writeBytes(historyPath(), original);
        const auto records = ReadHistory(u"ab.example"_s);
        const int kept = std::min(c.lines, 1000);
        ASSERT_EQ(records.size(), kept) << c.lines;
        EXPECT_EQ(records.front(), QStringList{u"r%1"_s.arg(c.lines)}) << c.lines;
        EXPECT_EQ(records.back(), QStringList{u"r%1"_s.arg(c.firstKept)}) << c.lines;
        QByteArray expected = original;
        if (c.lines > 1000) {
            expected.clear();
            for (int i = c.firstKept; i <= c.lines; ++i)
                expected += "r" + QByteArray::number(i) + "\r\n";
        }
        EXPECT_EQ(readBytes(historyPath()), expected) << c.lines << " lines";
    }
}

TEST_F(HistoryTest, TrimKeepsUndecodableBytesAndNulsAsTheyWere) {
    QByteArray original;
    for (int i = 1; i <= 1200; ++i)
        original += "r" + QByteArray::number(i) +
                    (i % 2 ? QByteArray("\x81\xFF,") : QByteArray("\0,", 2)) + "\r\n";
    writeBytes(historyPath(), original);
    ASSERT_EQ(ReadHistory(u"ab.example"_s).size(), 1000);
    const qsizetype from = original.indexOf("r201\x81");
    ASSERT_GT(from, 0);
    EXPECT_EQ(readBytes(historyPath()), original.mid(from));
}

TEST_F(HistoryTest, TrimOfAMarkedFile) {
    struct Case {
        const char* name;
        platform::TextEncoding encoding;
        QString extra;
        bool staysMarked;
    };
    const Case cases[] = {
        {"UTF-16 LE, ANSI characters", platform::TextEncoding::Utf16LE, u"中"_s, false},
        {"UTF-16 BE, ANSI characters", platform::TextEncoding::Utf16BE, u"中"_s, false},
        {"UTF-8, a character ANSI lacks", platform::TextEncoding::Utf8, u"😀"_s, true},
    };
    for (const Case& c : cases) {
        QString text;
        for (int i = 1; i <= 1100; ++i)
            text += u"r%1%2,x\r\n"_s.arg(i).arg(c.extra);
        writeBytes(historyPath(), platform::encodeText(text, c.encoding, true));
        const auto records = ReadHistory(u"ab.example"_s);
        ASSERT_EQ(records.size(), 1000) << c.name;
        EXPECT_EQ(records.front().front(), u"r1100"_s + c.extra) << c.name;
        const QByteArray written = readBytes(historyPath());
        EXPECT_EQ(platform::detectEncoding(written) != platform::TextEncoding::Ansi, c.staysMarked)
            << c.name;
        EXPECT_EQ(platform::decodeText(written), text.mid(text.indexOf(u"r101"_s))) << c.name;
    }
}

TEST_F(HistoryTest, CrashBeforeTheRenameLeavesTheOldFileWhole) {
    const QByteArray original = numberedLines(1500);
    writeBytes(historyPath(), original);
    EXPECT_EXIT(
        {
            platform::setBeforeReplaceHookForTesting([] { ::_exit(3); });
            ReadHistory(u"ab.example"_s);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(readBytes(historyPath()), original);
}

TEST_F(HistoryTest, FailedWriteBackEndsTheReadAndKeepsTheFile) {
    const QByteArray original = numberedLines(1001);
    writeBytes(historyPath(), original);
    platform::setBeforeReplaceHookForTesting([] { throw platform::EFileError(u"disk full"_s); });
    EXPECT_THROW(ReadHistory(u"ab.example"_s), platform::EFileError);
    platform::setBeforeReplaceHookForTesting({});
    EXPECT_EQ(readBytes(historyPath()), original);
    EXPECT_EQ(QDir(QStringLiteral("zenvo/data")).entryList(QDir::Files),
              QStringList{u"ab.example.txt"_s})
        << "no temporary file is left";
}

TEST(HistoryFields, SplitAtCommasWithEmptyFieldsDroppedAndQuotesKept) {
    struct Case {
        QString line;
        QStringList fields;
    };
    const Case cases[] = {
        {u""_s, {}},
        {u","_s, {}},
        {u"123/45,6/7"_s, {u"123/45"_s, u"6/7"_s}},
        {u",a,,b,"_s, {u"a"_s, u"b"_s}},
        {u"3,0,,未选,2010/1/26 13:05:09"_s, {u"3"_s, u"0"_s, u"未选"_s, u"2010/1/26 13:05:09"_s}},
        {u"1,234,x"_s, {u"1"_s, u"234"_s, u"x"_s}},
        {u" a , b "_s, {u" a "_s, u" b "_s}},
        {u"\"a,b\",c"_s, {u"\"a,b\""_s, u"c"_s}},
        {u"'a,b',c"_s, {u"'a,b'"_s, u"c"_s}},
        {u"x\"a,b\"y,c"_s, {u"x\"a,b\"y"_s, u"c"_s}},
        {u"\"a,'b\",c'"_s, {u"\"a,'b\""_s, u"c'"_s}},
        {u"'open,to,end"_s, {u"'open,to,end"_s}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitHistoryFields(c.line), c.fields) << c.line.toStdString();
}

TEST_F(HistoryTest, EmptyAndCommaBearingValuesShiftTheFields) {
    fillTypicalResult();
    view_.setLabelText(query::SiteLabel::lblAlexaRank, QString());
    SaveToFile(view_, u"3"_s);
    view_.setLabelText(query::SiteLabel::lblAlexaRank, u"123,456"_s);
    SaveToFile(view_, u"3"_s);
    const auto records = ReadHistory(u"ab.example"_s);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[1].size(), 11);
    EXPECT_EQ(records[1][9], kUnticked) << "ChinaRank moves left under AlexaRank";
    EXPECT_EQ(records[1][10], u"2010/1/26 13:05:09"_s);
    EXPECT_EQ(records[0].size(), 13);
    EXPECT_EQ(records[0][9], u"123"_s);
    EXPECT_EQ(records[0][10], u"456"_s);
    EXPECT_EQ(records[0][12], u"2010/1/26 13:05:09"_s);
}

} // namespace
} // namespace kelvane::store
