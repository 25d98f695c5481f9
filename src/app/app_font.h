#pragma once

#include <QFont>

namespace kelvane::app {

// Tahoma at the given size where the desktop has it, else a face that can show Chinese.
QFont ProductFont(int pointSize = 8);

} // namespace kelvane::app
