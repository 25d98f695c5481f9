// Several processes write one history file at once, as several runs of the console front end
// and the desktop program do. Every record must arrive whole and none may be lost.
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/locale_format.h"
#include "query/site_query_state.h"
#include "store/history.h"
#include "store_fixture.h"

#include <QElapsedTimer>
#include <QHash>
#include <csignal>
#include <functional>
#include <numeric>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

const QString kDomain = u"race.example.cn"_s;
constexpr qint64 kChildLimitMs = 60000;

// Record `number` of writer `writer`, its Alexa text of a length that varies from record to
// record, so torn or interleaved lines cannot look whole.
query::SiteQueryState stateFor(int writer, int number) {
    query::SiteQueryState state;
    state.txtUrl = kDomain;
    for (int column = 1; column <= 7; ++column) {
        state.setStringGDCell(column, 1, QString::number(writer));
        state.setStringGDCell(column, 2, QString::number(number));
    }
    state.setLabelText(query::SiteLabel::lblAlexaRank,
                       QString((writer * 37 + number * 11) % 200, u'x'));
    state.setLabelText(query::SiteLabel::lblChinaRank, u"7890"_s);
    return state;
}

QByteArray recordLine(int writer, int number) {
    return HistoryRecordLine(stateFor(writer, number), u"3"_s,
                             platform::defaultDateTimeText(platform::localNow()))
        .toLatin1();
}

// Runs `body` in `count` child processes; each must exit 0 within the time limit.
void runWriters(int count, const std::function<void(int writer)>& body) {
    QList<pid_t> children;
    for (int writer = 0; writer < count; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                body(writer);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        children.append(child);
    }
    QElapsedTimer clock;
    clock.start();
    while (!children.isEmpty()) {
        int status = 0;
        const pid_t done = ::waitpid(-1, &status, WNOHANG);
        if (done > 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
            children.removeOne(done);
        } else if (clock.elapsed() > kChildLimitMs) {
            for (const pid_t child : children)
                ::kill(child, SIGKILL);
            ADD_FAILURE() << children.size() << " writers did not finish in time";
            for (const pid_t child : children)
                ::waitpid(child, nullptr, 0);
            return;
        } else {
            ::usleep(2000);
        }
    }
}

class HistoryConcurrencyTest : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeDir(QStringLiteral("zenvo/data"));
    }
    static QString historyPath() { return u"zenvo/data/"_s + kDomain + u".txt"_s; }

    // Every line must be a whole record; returns, per writer, the numbers in file order.
    static QHash<int, QList<int>> recordsByWriter(const QByteArray& bytes, int* otherLines) {
        QHash<int, QList<int>> found;
        *otherLines = 0;
        QList<QByteArray> lines = bytes.split('\n');
        EXPECT_TRUE(lines.takeLast().isEmpty()) << "the file ends with a line break";
        for (QByteArray line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            line.chop(1);
            if (line.startsWith("old ")) {
                ++*otherLines;
                continue;
            }
            const int writer = line.left(line.indexOf('/')).toInt();
            const int number = line.mid(line.indexOf('/') + 1).split(',').first().toInt();
            EXPECT_EQ(line, recordLine(writer, number)) << "torn or interleaved record";
            found[writer].append(number);
        }
        return found;
    }

    platform::ScopedFormatLocale locale_{QLocale(QLocale::Chinese, QLocale::China)};
    platform::ScopedClockOverride clock_{
        [] { return QDateTime(QDate(2010, 1, 26), QTime(13, 5, 9)); }};
};

TEST_F(HistoryConcurrencyTest, TwentyProcessesOfFiftyAppendsLoseAndTearNothing) {
    constexpr int kWriters = 20;
    constexpr int kRecords = 50;
    runWriters(kWriters, [](int writer) {
        for (int number = 0; number < kRecords; ++number)
            SaveToFile(stateFor(writer, number), u"3"_s);
    });
    int otherLines = 0;
    const QHash<int, QList<int>> found = recordsByWriter(readBytes(historyPath()), &otherLines);
    EXPECT_EQ(otherLines, 0);
    ASSERT_EQ(found.size(), kWriters);
    QList<int> inOrder(kRecords);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    for (int writer = 0; writer < kWriters; ++writer)
        EXPECT_EQ(found.value(writer), inOrder) << "writer " << writer;
}

TEST_F(HistoryConcurrencyTest, TrimRacingAppendsLosesNothing) {
    constexpr int kAppenders = 8;
    constexpr int kRecords = 40;
    constexpr int kTrims = 150;
    QByteArray old;
    for (int i = 0; i < 1500; ++i)
        old += "old " + QByteArray::number(i) + "\r\n";
    writeBytes(historyPath(), old);
    // Writer 0 trims; the others append.
    runWriters(kAppenders + 1, [](int writer) {
        if (writer == 0) {
            for (int i = 0; i < kTrims; ++i)
                ReadHistory(kDomain);
            return;
        }
        for (int number = 0; number < kRecords; ++number)
            SaveToFile(stateFor(writer, number), u"3"_s);
    });
    int otherLines = 0;
    const QHash<int, QList<int>> found = recordsByWriter(readBytes(historyPath()), &otherLines);
    QList<int> inOrder(kRecords);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    for (int writer = 1; writer <= kAppenders; ++writer)
        EXPECT_EQ(found.value(writer), inOrder) << "writer " << writer;
    EXPECT_LE(otherLines, kHistoryRetention);
}

TEST_F(HistoryConcurrencyTest, FullDiskLeavesTheFileAsItWasAndIsReported) {
    const QByteArray original = "1/2,3\r\n4/5,6\r\n";
    writeBytes(historyPath(), original);
    // A file size limit a little above the file: the record's first bytes fit, the rest not.
    const auto appendAtTheLimit = [&original] {
        std::signal(SIGXFSZ, SIG_IGN);
        const auto bytes = static_cast<rlim_t>(original.size() + 20);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            SaveToFile(stateFor(1, 1), u"3"_s);
        } catch (const platform::EFileError& error) {
            std::fprintf(stderr, "reported: %s\n", error.what());
            ::_exit(7);
        }
        ::_exit(0);
    };
    EXPECT_EXIT(appendAtTheLimit(), ::testing::ExitedWithCode(7), "reported: Cannot write file");
    EXPECT_EQ(readBytes(historyPath()), original);
}

} // namespace
} // namespace kelvane::store
