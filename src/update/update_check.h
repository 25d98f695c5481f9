#pragma once

#include <QString>
#include <optional>

namespace kelvane::update {

// The program's own version: the double nearest to 1.8.
inline constexpr double kBuiltInVersion = 1.8;
inline constexpr const char16_t* kVersionText = u"1.8";

// "http://", the product's site, "/version.html".
QString UpdatePageUrl();

// The published number in the locale's notation: optional sign, digits with the locale's
// decimal separator, optional exponent, nothing around it but spaces. None otherwise.
std::optional<double> ParsePublishedVersion(const QString& text);

// True when the built-in version is strictly below the published text's number.
bool IsNewer(const QString& publishedText);

// Each wait of the update check for the version page lasts at most this long.
inline constexpr int kUpdateReadTimeoutMs = 3000;

// Fetches the update page with a default client and that read time-out; any failure means
// no update.
bool CheckForUpdate();

} // namespace kelvane::update
