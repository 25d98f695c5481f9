#pragma once

#include "platform/scoped_override.h"

#include <QString>
#include <functional>

namespace kelvane::browser {

// Opens a URL in the desktop's browser, passed unchanged (nothing is encoded). Failures are
// ignored: the product never reports a browser that did not start.
void Open(const QString& url);

using Launcher = std::function<void(const QString& url)>;

// Replaces the launcher for its lifetime (tests record the URLs instead).
class ScopedLauncher : public ScopedOverride<Launcher> {
public:
    explicit ScopedLauncher(Launcher launcher);
};

} // namespace kelvane::browser
