#pragma once

#include "platform/scoped_override.h"

#include <QString>
#include <functional>

namespace kelvane::platform {

// Opens a URL in the desktop's browser, passed unchanged (nothing is encoded). Failures are
// ignored: the product never reports a browser that did not start.
void openInBrowser(const QString& url);

using BrowserLauncher = std::function<void(const QString& url)>;

// Replaces the launcher for its lifetime (tests record the URLs instead).
class ScopedBrowserLauncher : public ScopedOverride<BrowserLauncher> {
public:
    explicit ScopedBrowserLauncher(BrowserLauncher launcher);
};

} // namespace kelvane::platform
