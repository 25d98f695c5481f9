#pragma once

#include "query/fetch_and_extract.h"
#include "query/site_query_context.h"
#include "query/site_query_probes.h"

#include <memory>

namespace kelvane::query {

// The probes of the site query against the configured hosts; the pump runs where a probe
// lets the user interface process its pending events. The probes of one table are one query:
// they share the context (a fresh one unless given), and no other table sees it.
SiteQueryProbes StandardSiteQueryProbes(
    const EventPump& pump,
    std::shared_ptr<SiteQueryContext> context = std::make_shared<SiteQueryContext>());

} // namespace kelvane::query
