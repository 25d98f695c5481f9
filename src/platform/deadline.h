#pragma once

#include <QtGlobal>
#include <chrono>

namespace kelvane::platform {

// One point on the monotonic clock by which a whole exchange must be over. Every wait of the
// exchange asks it how long it may last.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    // No deadline: waits keep their own limits only.
    Deadline() = default;
    // ms from now; ms <= 0 means no deadline.
    static Deadline after(qint64 ms);

    bool isSet() const { return set_; }
    bool hasPassed() const;
    // Milliseconds left, at least 0; -1 when no deadline is set.
    qint64 remainingMs() const;
    // How long one wait may last: the shorter of its own limit (<= 0: none) and what is left.
    // -1 means without limit; 0 means the deadline has passed.
    int waitMs(int ownLimitMs) const;

private:
    Clock::time_point at_{};
    bool set_ = false;
};

} // namespace kelvane::platform
