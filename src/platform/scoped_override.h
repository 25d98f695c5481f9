#pragma once

#include <utility>

namespace kelvane::platform {

// Gives a process-wide seam (the clock, the browser launcher, the error report, ...) another
// value for the lifetime of the guard, and puts the previous one back when it ends, so guards
// nest. Each seam names its own guard by deriving from this one.
template <typename T> class ScopedOverride {
public:
    ScopedOverride(T& slot, T value)
        : slot_(slot), previous_(std::exchange(slot, std::move(value))) {}
    ~ScopedOverride() { slot_ = std::move(previous_); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    T& slot_;
    T previous_;
};

} // namespace kelvane::platform
