#pragma once

namespace kelvane {

// The six text labels of the result view.
enum class SiteLabel {
    lblAlexaRank,
    lblChinaRank,
    lblBaiduSite,
    lblBaiduKz,
    lblGoogleSite,
    lblGoogleKz
};

} // namespace kelvane
