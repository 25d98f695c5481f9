#include "net/exchange_settings.h"

#include <mutex>

namespace kelvane::net {

namespace {

std::mutex gMutex;
platform::ExchangeSettings gDefault;

} // namespace

platform::ExchangeSettings defaultExchangeSettings() {
    std::lock_guard lock(gMutex);
    return gDefault;
}

void setDefaultExchangeSettings(const platform::ExchangeSettings& settings) {
    std::lock_guard lock(gMutex);
    gDefault = settings;
}

ScopedExchangeSettings::ScopedExchangeSettings(const platform::ExchangeSettings& settings)
    : previous_(defaultExchangeSettings()) {
    setDefaultExchangeSettings(settings);
}

ScopedExchangeSettings::~ScopedExchangeSettings() {
    setDefaultExchangeSettings(previous_);
}

} // namespace kelvane::net
