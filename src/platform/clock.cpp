#include "platform/clock.h"

#include <utility>

namespace kelvane::platform {

namespace {

std::function<QDateTime()>& nowSource() {
    static std::function<QDateTime()> source;
    return source;
}

} // namespace

QDateTime localNow() {
    const auto& source = nowSource();
    return source ? source() : QDateTime::currentDateTime();
}

ScopedClockOverride::ScopedClockOverride(std::function<QDateTime()> now)
    : ScopedOverride(nowSource(), std::move(now)) {}

} // namespace kelvane::platform
