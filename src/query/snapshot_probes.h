#pragma once

#include "query/site_query_view.h"

namespace kelvane {

// Whether Baidu lists the home page first and its snapshot text, from BaiduLastPage. Sends
// nothing; empties BaiduLastPage after a match; a matcher failure escapes.
void baiduSiteKz(SiteQueryView& view);

// The same for Google, from GoogleLastPage, fetching the cached copy for its date. Any failure
// writes "查询失败" into both Google labels.
void googleSiteKz(SiteQueryView& view);

} // namespace kelvane
