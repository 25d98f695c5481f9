#pragma once

#include <QDateTime>
#include <functional>

namespace kelvane {

// The local date and time now. Tests replace it to reach moments they cannot wait for
// (a query at midnight).
QDateTime localNow();

// Replaces localNow() for its lifetime; the previous source returns when it ends.
class ScopedClockOverride {
public:
    explicit ScopedClockOverride(std::function<QDateTime()> now);
    ~ScopedClockOverride();
    ScopedClockOverride(const ScopedClockOverride&) = delete;
    ScopedClockOverride& operator=(const ScopedClockOverride&) = delete;

private:
    std::function<QDateTime()> previous_;
};

} // namespace kelvane
