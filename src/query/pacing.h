#pragma once

#include "platform/settings.h"

#include <QHash>
#include <QString>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <random>

// Politeness towards the hosts asked: one scheduler shared by every query of a run keeps, per
// host, the earliest time the next request may start, and rests a host that refused.
namespace kelvane::query {

using PacingClock = std::chrono::steady_clock;

struct PacingRules {
    // Least gap between two request starts to a host ("host" or "host:port"), in ms; 0: none.
    std::function<qint64(const QString& host)> intervalMs;
    qint64 jitterMs = 0;
    qint64 blockPauseMs = 0;
    qint64 refusalPauseMs = 0;
    // Called about every kWaitSliceMs while a caller waits for its turn; the desktop lets its
    // window process events there, so a long interval never freezes it. None: a plain sleep.
    std::function<void()> whileWaiting;
    static constexpr int kWaitSliceMs = 50;
};

// The rules of the settings file: its interval for every host.
PacingRules pacingRulesFrom(const platform::PacingSettings& pacing);

// The detail of an outcome that sent nothing because its host rests.
inline const QString kPausedDetail = QStringLiteral("paused");

class Pacer {
public:
    explicit Pacer(PacingRules rules);

    // Waits for the host's turn and takes it. False at once, taking no turn, while the host
    // rests (or when it came to rest during the wait).
    bool takeTurn(const QString& host);

    // What an answer from the host showed: its status and the block sign found, if any. A
    // block rests the host for the block pause, a 429 or 403 for the refusal pause.
    void noteAnswer(const QString& host, int httpStatus, const std::optional<QString>& blockSign);

    bool isResting(const QString& host) const;

private:
    struct HostState {
        PacingClock::time_point nextStart{};
        PacingClock::time_point restsUntil{};
    };
    void rest(const QString& host, qint64 ms);

    PacingRules rules_;
    mutable std::mutex mutex_;
    QHash<QString, HostState> hosts_;
    std::mt19937 random_;
};

// The pacer every request of this thread goes through; none: requests go out at once.
Pacer* currentPacer();

// Makes a pacer this thread's for its lifetime; the previous one returns when it ends.
class ScopedPacer {
public:
    explicit ScopedPacer(Pacer* pacer);
    ~ScopedPacer();
    ScopedPacer(const ScopedPacer&) = delete;
    ScopedPacer& operator=(const ScopedPacer&) = delete;

private:
    Pacer* previous_;
};

// The key a request's URL is paced under: its host, with the port when one is written.
QString pacingHostOf(const QString& url);

} // namespace kelvane::query
