#pragma once

#include "platform/exchange_settings.h"

namespace kelvane::net {

// What a new client starts with: the programs install what the settings file says once at
// start; tests set it without a file.
platform::ExchangeSettings defaultExchangeSettings();
void setDefaultExchangeSettings(const platform::ExchangeSettings& settings);

// Replaces the default for its lifetime (tests).
class ScopedExchangeSettings {
public:
    explicit ScopedExchangeSettings(const platform::ExchangeSettings& settings);
    ~ScopedExchangeSettings();
    ScopedExchangeSettings(const ScopedExchangeSettings&) = delete;
    ScopedExchangeSettings& operator=(const ScopedExchangeSettings&) = delete;

private:
    platform::ExchangeSettings previous_;
};

} // namespace kelvane::net
