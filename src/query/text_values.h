#pragma once

#include <QString>
#include <optional>

namespace kelvane::query {

// Removes leading and trailing spaces and control characters (every character up to U+0020).
QString TrimSpacesAndControls(const QString& text);

// An integer written as leading spaces, an optional sign and digits, nothing after them;
// none for anything else, an empty text and a value out of range included.
std::optional<int> ParseInteger(const QString& text);

} // namespace kelvane::query
