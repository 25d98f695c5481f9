// The history append, the history trim and the site-list save run in a child process that
// is killed with SIGKILL at random moments, while a second child appends to the same history.
// After every kill each file must be exactly its old content or its new one (the second
// writer's records aside, which must be whole and in order), every record either child
// reported appended must be there, and no temporary file may stay behind.
#include "platform/clock.h"
#include "platform/locale_format.h"
#include "platform/locked_file.h"
#include "query/site_query_state.h"
#include "store/history.h"
#include "store/site_list.h"
#include "store_fixture.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QHash>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvane::store {
namespace {

const QString kDomain = QStringLiteral("kill.example.cn");
constexpr int kKills = 200;
// Bounds of the whole test and of one child, whatever the machine's speed.
constexpr qint64 kTestLimitMs = 40000;
constexpr int kChildIterations = 5000;
constexpr int kMaxDelayUs = 8000;
// The second writer's records are numbered from here, so they never meet the first's.
constexpr int kSecondWriter = 1000000;

// What the child tells the parent after each finished step: one atomic pipe write each.
struct Report {
    char step; // 'A' appended, 'T' read and trimmed, 'S' site list saved, 'W' written, not
               // yet renamed
    qint32 number;
};

query::SiteQueryState stateFor(int number) {
    query::SiteQueryState state;
    state.txtUrl = kDomain;
    for (int column = 1; column <= 7; ++column) {
        state.setStringGDCell(column, 1, QString::number(number));
        state.setStringGDCell(column, 2, QString::number(column * 1000 + 7));
    }
    state.setLabelText(query::SiteLabel::lblAlexaRank, QStringLiteral("123,456"));
    state.setLabelText(query::SiteLabel::lblChinaRank, QStringLiteral("7890"));
    return state;
}

class Expected {
public:
    QByteArray record(int number) {
        auto found = records_.find(number);
        if (found == records_.end())
            found = records_.insert(
                number, HistoryRecordLine(stateFor(number), QStringLiteral("3"),
                                          platform::defaultDateTimeText(platform::localNow()))
                            .toLatin1());
        return *found;
    }
    QByteArray history(int first, int last) {
        QByteArray bytes;
        for (int n = first; n <= last; ++n)
            bytes += record(n) + "\r\n";
        return bytes;
    }
    static QString siteList(int version) {
        QString text;
        for (int i = 0; i < 4000; ++i)
            text += QStringLiteral("v%1-site%2.example.cn\r\n").arg(version).arg(i);
        return text;
    }

private:
    QHash<int, QByteArray> records_;
};

[[noreturn]] void runChild(int reportFd, int start) {
    const auto report = [reportFd](char step, int number) {
        const Report r{step, number};
        if (::write(reportFd, &r, sizeof r) != sizeof r)
            _exit(4);
    };
    // A kill that lands here finds the new file written and the old one still named.
    platform::setBeforeReplaceHookForTesting([report] {
        report('W', 0);
        ::usleep(500);
    });
    try {
        for (int n = start; n < start + kChildIterations; ++n) {
            SaveToFile(stateFor(n), QStringLiteral("3"));
            report('A', n);
            ReadHistory(kDomain);
            report('T', n);
            WriteSiteList(Expected::siteList(n));
            report('S', n);
        }
    } catch (...) {
        _exit(3);
    }
    _exit(0);
}

[[noreturn]] void runSecondWriter(int reportFd, int start) {
    try {
        for (int n = start; n < start + kChildIterations; ++n) {
            SaveToFile(stateFor(n), QStringLiteral("3"));
            const Report r{'A', n};
            if (::write(reportFd, &r, sizeof r) != sizeof r)
                _exit(4);
        }
    } catch (...) {
        _exit(3);
    }
    _exit(0);
}

// Reads reports until `count` are held, the child has gone, or timeoutMs passed.
void readReports(int fd, QList<Report>& reports, qsizetype count, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (reports.size() < count) {
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        pollfd entry{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&entry, 1, left) <= 0)
            return;
        Report r{};
        if (::read(fd, &r, sizeof r) != sizeof r)
            return;
        reports.append(r);
    }
}

// The first record number of a history file, from the first field of its first line.
int firstRecordOf(const QByteArray& bytes) {
    return bytes.left(bytes.indexOf('/')).toInt();
}

// Takes the second writer's lines out of a history file; their numbers, in file order.
QList<int> takeSecondWriter(QByteArray& history) {
    QList<int> numbers;
    QByteArray rest;
    for (const QByteArray& line : history.split('\n')) {
        if (line.isEmpty())
            continue;
        const int number = line.left(line.indexOf('/')).toInt();
        if (number >= kSecondWriter)
            numbers.append(number);
        else
            rest += line + '\n';
    }
    history = rest;
    return numbers;
}

pid_t startChild(int fds[2], const std::function<void(int)>& body) {
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        body(fds[1]);
    }
    ::close(fds[1]);
    return child;
}

class DurabilityKillTest : public test::StoreTest {
protected:
    platform::ScopedFormatLocale locale_{QLocale(QLocale::Chinese, QLocale::China)};
    platform::ScopedClockOverride clock_{
        [] { return QDateTime(QDate(2010, 1, 26), QTime(13, 5, 9)); }};
};

TEST_F(DurabilityKillTest, EveryFileIsOldOrNewAndNoAppendedRecordIsLost) {
    makeDir(QStringLiteral("zenvo/data"));
    const QString historyPath = QStringLiteral("zenvo/data/") + kDomain + QStringLiteral(".txt");
    const QString sitePath = QStringLiteral("zenvo/website.txt");
    Expected expected;
    // Over the retention from the start, so the first read trims.
    int last = 1200;
    int siteVersion = 0;
    writeBytes(historyPath, expected.history(1, last));
    WriteSiteList(Expected::siteList(siteVersion));

    std::mt19937 random(9);
    std::uniform_int_distribution<int> stepsBefore(0, 5);
    std::uniform_int_distribution<int> delayUs(0, kMaxDelayUs);
    QElapsedTimer clock;
    clock.start();
    int kills = 0;
    int checks = 0;
    int finishedSteps = 0;
    int killsBeforeRename = 0;
    int secondLast = kSecondWriter - 1;
    for (; kills < kKills && clock.elapsed() < kTestLimitMs; ++kills) {
        int fds[2];
        const int start = last + 1;
        const pid_t child = startChild(fds, [start](int fd) { runChild(fd, start); });
        ASSERT_GE(child, 0);
        int secondFds[2];
        const int secondStart = secondLast + 1;
        const pid_t second =
            startChild(secondFds, [secondStart](int fd) { runSecondWriter(fd, secondStart); });
        ASSERT_GE(second, 0);
        // A random moment: after a random number of finished steps, then a random pause, so
        // kills land in every step and anywhere inside one.
        QList<Report> reports;
        readReports(fds[0], reports, stepsBefore(random), 5000);
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        ::kill(second, SIGKILL);
        for (const pid_t each : {child, second}) {
            int status = 0;
            ASSERT_EQ(::waitpid(each, &status, 0), each);
            ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
                << "child failed with status " << status << " at kill " << kills;
        }
        readReports(fds[0], reports, kChildIterations * 4, 5000);
        ::close(fds[0]);
        QList<Report> secondReports;
        readReports(secondFds[0], secondReports, kChildIterations, 5000);
        ::close(secondFds[0]);
        finishedSteps += static_cast<int>(reports.size() + secondReports.size());
        if (!reports.isEmpty() && reports.back().step == 'W')
            ++killsBeforeRename;

        // Reported: done for certain. One step further may also be done.
        int appended = last;
        int saved = siteVersion;
        for (const Report& r : reports) {
            if (r.step == 'A')
                appended = r.number;
            if (r.step == 'S')
                saved = r.number;
        }
        const int appendedAtMost = appended == last ? start : appended + 1;
        const int savedAtMost = saved == siteVersion ? start : saved + 1;
        const int secondAppended =
            secondReports.isEmpty() ? secondLast : secondReports.back().number;

        SCOPED_TRACE(testing::Message() << "kill " << kills << ", records from " << start
                                        << ", reports " << reports.size());
        QByteArray history = readBytes(historyPath);
        const qsizetype totalLines = history.count('\n');
        const QList<int> secondRecords = takeSecondWriter(history);
        for (qsizetype i = 0; i < secondRecords.size(); ++i) {
            const int number = secondRecords[i];
            ASSERT_TRUE(i == 0 || number == secondRecords[i - 1] + 1)
                << "second writer's records out of order at " << number;
        }
        if (!secondRecords.isEmpty()) {
            ASSERT_GE(secondRecords.back(), secondAppended) << "a reported record is lost";
            ASSERT_LE(secondRecords.back(), secondAppended + 1);
            secondLast = secondRecords.back();
        } else {
            ASSERT_EQ(secondAppended, kSecondWriter - 1) << "a reported record is lost";
        }
        const int first = firstRecordOf(history);
        bool whole = false;
        for (int end = appended; end <= appendedAtMost && !whole; ++end) {
            if (history == expected.history(first, end)) {
                whole = true;
                last = end;
            }
        }
        ASSERT_TRUE(whole) << "history is neither old nor new: " << history.size()
                           << " bytes, first record " << first << ", last reported " << appended;
        // The trim keeps exactly the newest records: nothing newer is lost to it.
        ASSERT_GE(totalLines, kHistoryRetention);
        ++checks;

        const QByteArray site = readBytes(sitePath);
        bool siteWhole = false;
        for (int version = saved; version <= savedAtMost && !siteWhole; ++version) {
            if (site == Expected::siteList(version).toLatin1()) {
                siteWhole = true;
                siteVersion = version;
            }
        }
        ASSERT_TRUE(siteWhole) << "site list is neither old nor new: " << site.size()
                               << " bytes, last reported " << saved;
        ++checks;
    }
    // A kill before the rename leaves the temporary file of a save behind; the next writer of
    // the same file clears it, as the next run of the program does.
    ReadHistory(kDomain);
    WriteSiteList(Expected::siteList(siteVersion + 1));
    int leftovers = 0;
    QDirIterator files(QStringLiteral("zenvo"), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (file != historyPath && file != sitePath)
            ++leftovers;
    }
    std::printf("durability: %d kills, %d between write and rename, %d file checks, %d steps "
                "finished, %d records appended, %d by the second writer, %d temporary files "
                "left\n",
                kills, killsBeforeRename, checks, finishedSteps, last - 1200,
                secondLast - kSecondWriter + 1, leftovers);
    EXPECT_EQ(leftovers, 0);
    EXPECT_GE(kills, 50);
    EXPECT_GT(last, 1200);
}

} // namespace
} // namespace kelvane::store
