#pragma once

#include <QFont>

namespace kelvane::widgets {

// Tahoma at the given size where the desktop has it, else a face that can show Chinese.
QFont productFont(int pointSize = 8);

} // namespace kelvane::widgets
