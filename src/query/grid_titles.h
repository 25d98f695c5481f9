#pragma once

#include "query/site_query_view.h"

namespace kelvane::query {

// Row 0: the engines, each after four spaces; column 0: "收录" and "反链"; [0,0] empty.
void SetGridTitles(SiteQueryView& view);

} // namespace kelvane::query
