#pragma once

#include "query/site_query_state.h"

#include <QString>

namespace kelvane::cli {

// The caption the main window shows before a label.
QString SiteLabelCaption(SiteLabel label);

// The result grid with its own titles, then the ranks and the snapshot labels.
QString SiteReportTable(const SiteQueryState& view, int pageRank);
// One JSON object keyed by the view's field names, and a final line break.
QString SiteReportJson(const SiteQueryState& view, int pageRank);

} // namespace kelvane::cli
