#include "query/pacing.h"

#include "net/http_url.h"
#include "platform/host_config.h"
#include "query/engine_definitions.h"

#include <QHash>
#include <algorithm>
#include <thread>

namespace kelvane::query {

namespace {

thread_local Pacer* tCurrent = nullptr;

// A sign read off the status alone ("http-429") is a refusal, not a block page.
bool isRefusalSign(const QString& sign) {
    return sign.startsWith(QStringLiteral("http-"));
}

} // namespace

PacingRules pacingRulesFrom(const platform::PacingSettings& pacing) {
    PacingRules rules;
    // A service whose engine definitions ask for a longer interval than the settings keeps it;
    // every other host keeps the settings' interval.
    QHash<QString, qint64> ownIntervals;
    for (const QString& key : platform::serviceKeys()) {
        if (const int ms = minIntervalMsFor(key); ms > 0) {
            qint64& interval = ownIntervals[pacingHostOf(platform::originFor(key))];
            interval = std::max<qint64>(interval, ms);
        }
    }
    const qint64 fallback = pacing.minIntervalMs;
    rules.intervalMs = [ownIntervals, fallback](const QString& host) {
        // A row may ask for more care than the settings, never less.
        return std::max(ownIntervals.value(host, 0), fallback);
    };
    rules.jitterMs = pacing.jitterMs;
    rules.blockPauseMs = pacing.blockPauseS * 1000;
    rules.refusalPauseMs = pacing.refusalPauseS * 1000;
    return rules;
}

Pacer::Pacer(PacingRules rules) : rules_(std::move(rules)), random_(std::random_device{}()) {}

bool Pacer::takeTurn(const QString& host) {
    PacingClock::time_point start;
    {
        std::lock_guard lock(mutex_);
        HostState& state = hosts_[host];
        const PacingClock::time_point now = PacingClock::now();
        if (state.restsUntil > now)
            return false;
        start = std::max(now, state.nextStart);
        qint64 gap = rules_.intervalMs ? rules_.intervalMs(host) : 0;
        if (rules_.jitterMs > 0)
            gap += std::uniform_int_distribution<qint64>(0, rules_.jitterMs)(random_);
        // Each caller books its own start, so waiters leave one interval apart.
        state.nextStart = start + std::chrono::milliseconds(gap);
    }
    if (rules_.whileWaiting) {
        const auto slice = std::chrono::milliseconds(PacingRules::kWaitSliceMs);
        while (PacingClock::now() < start) {
            rules_.whileWaiting();
            std::this_thread::sleep_until(std::min(start, PacingClock::now() + slice));
        }
    } else {
        std::this_thread::sleep_until(start);
    }
    return !isResting(host);
}

void Pacer::noteAnswer(const QString& host, int httpStatus,
                       const std::optional<QString>& blockSign) {
    if (blockSign && !isRefusalSign(*blockSign))
        rest(host, rules_.blockPauseMs);
    else if (httpStatus == 429 || httpStatus == 403)
        rest(host, rules_.refusalPauseMs);
}

bool Pacer::isResting(const QString& host) const {
    std::lock_guard lock(mutex_);
    const auto found = hosts_.constFind(host);
    return found != hosts_.constEnd() && found->restsUntil > PacingClock::now();
}

void Pacer::rest(const QString& host, qint64 ms) {
    if (ms <= 0)
        return;
    std::lock_guard lock(mutex_);
    HostState& state = hosts_[host];
    state.restsUntil =
        std::max(state.restsUntil, PacingClock::now() + std::chrono::milliseconds(ms));
}

Pacer* currentPacer() {
    return tCurrent;
}

ScopedPacer::ScopedPacer(Pacer* pacer) : previous_(tCurrent) {
    tCurrent = pacer;
}

ScopedPacer::~ScopedPacer() {
    tCurrent = previous_;
}

QString pacingHostOf(const QString& url) {
    return net::hostValue(net::parseUrl(url));
}

} // namespace kelvane::query
