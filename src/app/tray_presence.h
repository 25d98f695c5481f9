#pragma once

#include <optional>

namespace kelvane::app {

// Whether the desktop shows a notification area now, so that a window hidden into the tray
// icon can be brought back. Asked at each use: a panel may come and go during the run.
bool trayAvailable();

// Makes trayAvailable() answer as told for its lifetime (tests of either desktop).
class ScopedTrayAvailability {
public:
    explicit ScopedTrayAvailability(bool available);
    ~ScopedTrayAvailability();
    ScopedTrayAvailability(const ScopedTrayAvailability&) = delete;
    ScopedTrayAvailability& operator=(const ScopedTrayAvailability&) = delete;

private:
    std::optional<bool> previous_;
};

} // namespace kelvane::app
