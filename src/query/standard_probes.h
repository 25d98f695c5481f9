#pragma once

#include "query/fetch_and_extract.h"
#include "query/site_query_probes.h"

namespace kelvane {

// The probes of the site query against the configured hosts; the pump runs where a probe
// lets the user interface process its pending events.
SiteQueryProbes StandardSiteQueryProbes(const EventPump& pump);

} // namespace kelvane
