#pragma once

#include <QString>
#include <QStringView>

namespace kelvane::store {

// The site manager's cleaning before a save: every line of length 0 goes, with its line
// break. A line of blanks stays, and so does the break that ends the last kept line, so a
// text ending in a break still ends in one. Breaks are CR, LF or CR LF and stay as they are.
QString RemoveEmptyLines(QStringView text);

} // namespace kelvane::store
