#pragma once

#include <QString>

namespace kelvane {

// The result pages the site count probes leave for the snapshot probes that follow them;
// process-wide, empty at start, touched on the user-interface thread only.
extern QString BaiduLastPage;
extern QString GoogleLastPage;

} // namespace kelvane
