#pragma once

#include "query/site_query_state.h"

#include <QString>

namespace kelvane::cli {

// The caption the main window shows before a label.
QString SiteLabelCaption(query::SiteLabel label);

// The result grid with its own titles, then the ranks and the snapshot labels; a value whose
// outcome is not ok carries the mark kOutcomeMark.
QString SiteReportTable(const query::SiteQueryState& view, int pageRank);
// One line per marked value, saying why: empty when nothing is marked.
QString SiteReportMarks(const query::SiteQueryState& view);
inline constexpr char16_t kOutcomeMark = u'*';
// One JSON object keyed by the view's field names, with the list "failures" of the fields
// whose outcome is not ok, and a final line break; with a domain, a batch's object, it names
// the site under "domain" too.
QString SiteReportJson(const query::SiteQueryState& view, int pageRank, const QString& domain = {});

} // namespace kelvane::cli
