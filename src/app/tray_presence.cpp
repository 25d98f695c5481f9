#include "app/tray_presence.h"

#include <QSystemTrayIcon>

namespace kelvane::app {

namespace {
std::optional<bool>& forced() {
    static std::optional<bool> answer;
    return answer;
}
} // namespace

bool trayAvailable() {
    return forced().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

ScopedTrayAvailability::ScopedTrayAvailability(bool available) : previous_(forced()) {
    forced() = available;
}

ScopedTrayAvailability::~ScopedTrayAvailability() {
    forced() = previous_;
}

} // namespace kelvane::app
