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
    if (const std::optional<bool>& answer = forced())
        return *answer;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

ScopedTrayAvailability::ScopedTrayAvailability(bool available)
    : ScopedOverride(forced(), available) {}

} // namespace kelvane::app
