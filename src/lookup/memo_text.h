#pragma once

#include <QString>

namespace kelvane::lookup {

// A memo's text as the target desktop's edit control shows it: CR LF and the soft break
// CR CR LF end a line, a lone CR shows nothing.
QString MemoDisplayText(const QString& text);

} // namespace kelvane::lookup
