#include "net/exchange_settings.h"

#include <mutex>

namespace kelvane::net {

namespace {

std::mutex gMutex;
ExchangeSettings gDefault;

} // namespace

ExchangeSettings defaultExchangeSettings() {
    std::lock_guard lock(gMutex);
    return gDefault;
}

void setDefaultExchangeSettings(const ExchangeSettings& settings) {
    std::lock_guard lock(gMutex);
    gDefault = settings;
}

ScopedExchangeSettings::ScopedExchangeSettings(const ExchangeSettings& settings)
    : previous_(defaultExchangeSettings()) {
    setDefaultExchangeSettings(settings);
}

ScopedExchangeSettings::~ScopedExchangeSettings() {
    setDefaultExchangeSettings(previous_);
}

} // namespace kelvane::net
