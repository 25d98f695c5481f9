#include "gui_support/gui_helpers.h"

#include <QDir>
#include <QPixmap>

namespace kelvane::test {

void saveScreenshot(QWidget* window, const QString& name) {
    const QString folder = qEnvironmentVariable("KELVANE_SCREENSHOT_DIR");
    if (folder.isEmpty() || !window)
        return;
    QDir().mkpath(folder);
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace kelvane::test
