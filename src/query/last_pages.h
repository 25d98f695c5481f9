#pragma once

#include "platform/page_text.h"

namespace kelvane {

// The result pages the site count probes leave for the snapshot probes that follow them;
// process-wide, empty at start, touched on the user-interface thread only.
extern PageText BaiduLastPage;
extern PageText GoogleLastPage;

} // namespace kelvane
