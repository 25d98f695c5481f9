#pragma once

#include <QString>

namespace kelvane::query {

// True when the text is acceptable as a domain: ASCII letters, digits, "_", "." and "-" in
// labels, and a last label of letters only. Never trims; false when the matcher fails.
bool IsValidDomain(const QString& text);

} // namespace kelvane::query
