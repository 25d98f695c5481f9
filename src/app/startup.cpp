#include "app/startup.h"

#include "app/main_window.h"
#include "app/windows.h"
#include "platform/console.h"
#include "platform/install_layout.h"
#include "widgets/error_report.h"

#include <QApplication>
#include <QTimer>

namespace kelvane::app {

void applyApplicationIdentity() {
    QApplication::setApplicationName(QString::fromUtf16(widgets::kApplicationTitle));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvane.Kelvane"));
    // Hiding the main window must not end the program: only the tray menu does.
    QApplication::setQuitOnLastWindowClosed(false);
}

int RunKelvane(int argc, char** argv) {
    QApplication application(argc, argv);
    applyApplicationIdentity();
    if (const QString problem = platform::enterWorkingFolder(); !problem.isEmpty())
        console::writeErr(QStringLiteral("kelvane: %1\n").arg(problem));

    CreateWindows();
    Windows().frmMain->show();
    // Start-up timing: end as soon as the main window has been shown once.
    if (qEnvironmentVariableIsSet("KELVANE_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &application, [] { QCoreApplication::exit(0); });
    const int status = QApplication::exec();
    DestroyWindows();
    return status;
}

} // namespace kelvane::app
