#pragma once

#include <array>
#include <cstddef>

namespace kelvane::query {

// The six text labels of the result view.
enum class SiteLabel {
    lblAlexaRank,
    lblChinaRank,
    lblBaiduSite,
    lblBaiduKz,
    lblGoogleSite,
    lblGoogleKz
};

// The controls' names, in SiteLabel order: what the window names its labels and what the
// console and the outcome list call them.
inline constexpr std::array<const char*, 6> kSiteLabelNames = {
    "lblAlexaRank", "lblChinaRank", "lblBaiduSite", "lblBaiduKz", "lblGoogleSite", "lblGoogleKz"};
static_assert(kSiteLabelNames.size() == static_cast<std::size_t>(SiteLabel::lblGoogleKz) + 1);

} // namespace kelvane::query
