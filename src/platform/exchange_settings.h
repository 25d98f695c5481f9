#pragma once

#include <QtGlobal>

namespace kelvane {

// Bounds of one HTTP exchange, as the settings file's [network] section gives them.
struct ExchangeSettings {
    static constexpr qint64 kDefaultDeadlineMs = 20000;
    static constexpr qint64 kDefaultMaxBodyBytes = 32 * 1024 * 1024;

    // The whole exchange, every redirect hop and wait included; 0: none.
    qint64 deadlineMs = kDefaultDeadlineMs;
    // Largest final body delivered; 0: no bound.
    qint64 maxBodyBytes = kDefaultMaxBodyBytes;

    friend bool operator==(const ExchangeSettings&, const ExchangeSettings&) = default;
};

} // namespace kelvane
