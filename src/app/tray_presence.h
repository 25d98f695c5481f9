#pragma once

#include "platform/scoped_override.h"

#include <optional>

namespace kelvane::app {

// Whether the desktop shows a notification area now, so that a window hidden into the tray
// icon can be brought back. Asked at each use: a panel may come and go during the run.
bool trayAvailable();

// Makes trayAvailable() answer as told for its lifetime (tests of either desktop).
class ScopedTrayAvailability : public platform::ScopedOverride<std::optional<bool>> {
public:
    explicit ScopedTrayAvailability(bool available);
};

} // namespace kelvane::app
