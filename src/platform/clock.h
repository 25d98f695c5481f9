#pragma once

#include "platform/scoped_override.h"

#include <QDateTime>
#include <functional>

namespace kelvane::platform {

// The local date and time now. Tests replace it to reach moments they cannot wait for
// (a query at midnight).
QDateTime localNow();

// Replaces localNow() for its lifetime; the previous source returns when it ends.
class ScopedClockOverride : public ScopedOverride<std::function<QDateTime()>> {
public:
    explicit ScopedClockOverride(std::function<QDateTime()> now);
};

} // namespace kelvane::platform
