#pragma once

#include <QtGlobal>

namespace kelvane::platform {

// Tells the system that a large buffer about to be filled front to back may use huge pages:
// first-touch page faults otherwise dominate the cost of a loopback download. A hint only.
void adviseLargeBuffer(void* data, qsizetype size);

} // namespace kelvane::platform
