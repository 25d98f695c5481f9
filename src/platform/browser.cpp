#include "platform/browser.h"

#include <QProcess>

namespace kelvane::browser {

namespace {

void launchDesktopBrowser(const QString& url) {
    // xdg-open hands the text to the default browser as it is, as the target desktop's
    // shell does; QDesktopServices would re-encode it.
    QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

Launcher& currentLauncher() {
    static Launcher launcher = launchDesktopBrowser;
    return launcher;
}

} // namespace

void Open(const QString& url) {
    if (currentLauncher())
        currentLauncher()(url);
}

ScopedLauncher::ScopedLauncher(Launcher launcher)
    : ScopedOverride(currentLauncher(), std::move(launcher)) {}

} // namespace kelvane::browser
