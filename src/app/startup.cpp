#include "app/startup.h"

#include "app/error_report.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "net/exchange_settings.h"
#include "platform/settings.h"

#include <QApplication>
#include <QTimer>

namespace kelvane::app {

int RunKelvane(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf16(kApplicationTitle));
    QApplication::setApplicationDisplayName(QString::fromUtf16(kApplicationTitle));
    // Hiding the main window must not end the program: only the tray menu does.
    QApplication::setQuitOnLastWindowClosed(false);

    const settings::Settings& settings = settings::current();
    net::setDefaultExchangeSettings(settings.exchange);
    CreateWindows();
    Windows().frmMain->show();
    // Reported once, after the main window is up, so a bad file cannot hold start-up.
    if (!settings.problems.isEmpty()) {
        QTimer::singleShot(0, &application, [problems = settings.problems] {
            ShowGeneralErrorReport(problems.join(u'\n'));
        });
    }
    // Start-up timing: end as soon as the main window has been shown once.
    if (qEnvironmentVariableIsSet("KELVANE_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &application, [] { QCoreApplication::exit(0); });
    const int status = QApplication::exec();
    DestroyWindows();
    return status;
}

} // namespace kelvane::app
