#pragma once

#include "platform/page_text.h"
#include "platform/regexp.h"
#include "query/site_query_context.h"
#include "query/site_query_view.h"

#include <QString>
#include <optional>

namespace kelvane::query {

// Whether Baidu lists the home page first and its snapshot text, from the query's Baidu page.
// Sends nothing; empties that page after a match; a matcher failure escapes.
void baiduSiteKz(SiteQueryView& view, SiteQueryContext& query);

// The same for Google, from the query's Google page, fetching the cached copy for its date. Any
// failure writes "查询失败" into both Google labels.
void googleSiteKz(SiteQueryView& view, SiteQueryContext& query);

// The cached-copy address on a Google result page: the first "<span class=gl><a href=" link
// up to "target=_blank", its tags, quotes and blanks cut, "&amp;" read as "&". None without one.
std::optional<QString> CachedCopyLink(platform::TRegExp& matcher, const QString& page);
std::optional<QString> CachedCopyLink(platform::TRegExp& matcher, const platform::PageText& page);

} // namespace kelvane::query
