#pragma once

#include "platform/page_text.h"

namespace kelvane::query {

// What one site query keeps between its probes: the result pages the count probes leave for
// the snapshot probes that follow them. Each query has its own, so queries on several threads
// share nothing but the pacing and the history lock.
struct SiteQueryContext {
    platform::PageText BaiduLastPage; // the product's names, kept
    platform::PageText GoogleLastPage;
};

} // namespace kelvane::query
