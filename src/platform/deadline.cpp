#include "platform/deadline.h"

#include <limits>

namespace kelvane::platform {

Deadline Deadline::after(qint64 ms) {
    Deadline deadline;
    if (ms > 0) {
        deadline.at_ = Clock::now() + std::chrono::milliseconds(ms);
        deadline.set_ = true;
    }
    return deadline;
}

bool Deadline::hasPassed() const {
    return set_ && Clock::now() >= at_;
}

qint64 Deadline::remainingMs() const {
    if (!set_)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - Clock::now()).count();
    return left > 0 ? left : 0;
}

int Deadline::waitMs(int ownLimitMs) const {
    if (!set_)
        return ownLimitMs > 0 ? ownLimitMs : -1;
    const qint64 left = qMin<qint64>(remainingMs(), std::numeric_limits<int>::max());
    return static_cast<int>(ownLimitMs > 0 ? qMin<qint64>(ownLimitMs, left) : left);
}

} // namespace kelvane::platform
