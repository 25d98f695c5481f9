#include "query/pacing.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane::query {
namespace {

using namespace std::chrono_literals;

PacingRules rules(qint64 intervalMs, qint64 jitterMs = 0) {
    PacingRules made;
    made.intervalMs = [intervalMs](const QString& host) {
        return host == u"slow.example" ? intervalMs : 0;
    };
    made.jitterMs = jitterMs;
    made.blockPauseMs = 3600 * 1000;
    made.refusalPauseMs = 180 * 1000;
    return made;
}

// Four threads asking one host at once leave one interval apart; another host is not held up.
TEST(Pacer, TurnsToOneHostKeepTheInterval) {
    Pacer pacer(rules(60));
    const auto first = PacingClock::now();
    std::vector<PacingClock::time_point> starts;
    std::mutex mutex;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            EXPECT_TRUE(pacer.takeTurn(QStringLiteral("slow.example")));
            std::lock_guard lock(mutex);
            starts.push_back(PacingClock::now());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    // The fourth turn comes three intervals after the first at the earliest; a busy machine can
    // only make it later.
    EXPECT_GE(*std::max_element(starts.begin(), starts.end()) - first, 180ms);

    const auto before = PacingClock::now();
    EXPECT_TRUE(pacer.takeTurn(QStringLiteral("fast.example")));
    EXPECT_TRUE(pacer.takeTurn(QStringLiteral("fast.example")));
    EXPECT_LT(PacingClock::now() - before, 2s);
}

// A waiting caller is called back while it waits (the desktop keeps its window alive there),
// and still starts no earlier than its turn.
TEST(Pacer, AWaitCallsBackUntilTheTurnComes) {
    PacingRules waiting = rules(300);
    int calls = 0;
    waiting.whileWaiting = [&calls] { ++calls; };
    Pacer pacer(std::move(waiting));
    EXPECT_TRUE(pacer.takeTurn(QStringLiteral("slow.example")));
    EXPECT_EQ(calls, 0);
    const auto before = PacingClock::now();
    EXPECT_TRUE(pacer.takeTurn(QStringLiteral("slow.example")));
    EXPECT_GE(PacingClock::now() - before, 290ms);
    EXPECT_GE(calls, 1);
}

TEST(Pacer, JitterStaysWithinItsBound) {
    Pacer pacer(rules(10, 20));
    EXPECT_TRUE(pacer.takeTurn(QStringLiteral("slow.example")));
    const auto first = PacingClock::now();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(pacer.takeTurn(QStringLiteral("slow.example")));
    // Five more turns take at least five intervals, and with at most 20 ms of jitter each,
    // nowhere near the bound a busy machine could still meet.
    const auto span = PacingClock::now() - first;
    EXPECT_GE(span, 45ms);
    EXPECT_LT(span, 5s);
}

// Which answers rest a host: a block page or a refusal status; a 404 or a plain answer not.
TEST(Pacer, BlocksAndRefusalsRestTheHost) {
    const struct {
        int status;
        std::optional<QString> sign;
        bool rests;
    } cases[] = {
        {200, QStringLiteral("title"), true},
        {302, QStringLiteral("location-host"), true},
        {429, QStringLiteral("http-429"), true},
        {403, std::nullopt, true},
        {429, std::nullopt, true},
        {404, std::nullopt, false},
        {200, std::nullopt, false},
        {500, std::nullopt, false},
    };
    for (const auto& c : cases) {
        Pacer pacer(rules(0));
        const QString host = QStringLiteral("a.example:8080");
        pacer.noteAnswer(host, c.status, c.sign);
        EXPECT_EQ(pacer.isResting(host), c.rests) << c.status;
        EXPECT_EQ(pacer.takeTurn(host), !c.rests) << c.status;
        EXPECT_TRUE(pacer.takeTurn(QStringLiteral("b.example"))) << "only that host rests";
    }
}

TEST(Pacer, AZeroPauseRestsNothing) {
    PacingRules none = rules(0);
    none.blockPauseMs = 0;
    none.refusalPauseMs = 0;
    Pacer pacer(none);
    pacer.noteAnswer(QStringLiteral("a.example"), 429, QStringLiteral("title"));
    EXPECT_TRUE(pacer.takeTurn(QStringLiteral("a.example")));
}

TEST(Pacer, SettingsGiveEveryHostTheirInterval) {
    platform::PacingSettings values;
    values.minIntervalMs = 250;
    values.blockPauseS = 2;
    const PacingRules made = pacingRulesFrom(values);
    EXPECT_EQ(made.intervalMs(QStringLiteral("any.example")), 250);
    EXPECT_EQ(made.blockPauseMs, 2000);
    EXPECT_EQ(made.refusalPauseMs, 180 * 1000);
    EXPECT_EQ(pacingHostOf(QStringLiteral("http://127.0.0.1:8081/s?wd=x")), u"127.0.0.1:8081");
    EXPECT_EQ(pacingHostOf(QStringLiteral("http://www.baidu.com/s")), u"www.baidu.com");
}

TEST(Pacer, ScopeInstallsAndRestores) {
    EXPECT_EQ(currentPacer(), nullptr);
    Pacer outer(rules(0)), inner(rules(0));
    {
        const ScopedPacer a(&outer);
        {
            const ScopedPacer b(&inner);
            EXPECT_EQ(currentPacer(), &inner);
            std::thread([] { EXPECT_EQ(currentPacer(), nullptr) << "per thread"; }).join();
        }
        EXPECT_EQ(currentPacer(), &outer);
    }
    EXPECT_EQ(currentPacer(), nullptr);
}

} // namespace
} // namespace kelvane::query
