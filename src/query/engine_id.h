#pragma once

#include <array>

namespace kelvane::query {

// The seven search engines, in the order every grid column, record field and check box uses.
enum class EngineId { Baidu, Google, Yahoo, Sogou, Soso, Youdao, Bing };

inline constexpr int kEngineCount = 7;
inline constexpr std::array<EngineId, kEngineCount> kAllEngines = {
    EngineId::Baidu, EngineId::Google, EngineId::Yahoo, EngineId::Sogou,
    EngineId::Soso,  EngineId::Youdao, EngineId::Bing};

// Each engine's key, in EngineId order: its [hosts] service and its history and JSON key.
inline constexpr std::array<const char16_t*, kEngineCount> kEngineKeys = {
    u"baidu", u"google", u"yahoo", u"sogou", u"soso", u"youdao", u"bing"};

} // namespace kelvane::query
