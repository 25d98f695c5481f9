#include "platform/browser.h"

#include <QProcess>

namespace kelvane::platform {

namespace {

void launchDesktopBrowser(const QString& url) {
    // xdg-open hands the text to the default browser as it is, as the target desktop's
    // shell does; QDesktopServices would re-encode it.
    QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

BrowserLauncher& currentLauncher() {
    static BrowserLauncher launcher = launchDesktopBrowser;
    return launcher;
}

} // namespace

void openInBrowser(const QString& url) {
    if (currentLauncher())
        currentLauncher()(url);
}

ScopedBrowserLauncher::ScopedBrowserLauncher(BrowserLauncher launcher)
    : ScopedOverride(currentLauncher(), std::move(launcher)) {}

} // namespace kelvane::platform
