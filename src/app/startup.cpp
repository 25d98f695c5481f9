#include "app/startup.h"

#include "app/main_window.h"
#include "app/windows.h"
#include "lookup/ip_window.h"
#include "net/exchange_settings.h"
#include "platform/console.h"
#include "platform/install_layout.h"
#include "platform/settings.h"
#include "query/engine_definitions.h"
#include "query/pacing.h"
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
    // Settings first: a file named relative to the folder the program was started from must be
    // found before the program moves into its data folder.
    const platform::Settings& settings = platform::currentSettings();
    net::setDefaultExchangeSettings(settings.exchange);
    // A bad definitions file is reported with the settings problems; the built-ins run.
    const QStringList problems =
        settings.problems + query::useDefinitionsFile(settings.enginesFile);
    // The desktop's queries keep the console's pacing, the windows' workers included (where the
    // pump has nothing to do); a request this thread makes keeps the window alive while it waits.
    query::PacingRules pacing = query::pacingRulesFrom(settings.pacing);
    pacing.whileWaiting = [] { QCoreApplication::processEvents(); };
    query::Pacer pacer(std::move(pacing));
    const query::ScopedPacer paced(&pacer);
    if (const QString problem = platform::enterWorkingFolder(); !problem.isEmpty())
        platform::writeErr(QStringLiteral("kelvane: %1\n").arg(problem));

    CreateWindows();
    Windows().frmMain->show();
    // Reported once, after the main window is up, so a bad file cannot hold start-up.
    if (!problems.isEmpty()) {
        QTimer::singleShot(0, &application,
                           [problems] { widgets::showGeneralErrorReport(problems.join(u'\n')); });
    }
    // Start-up timing: end once the main window has been shown and the own-address lookup,
    // which no longer holds the window back, has ended too.
    if (qEnvironmentVariableIsSet("KELVANE_EXIT_WHEN_SHOWN")) {
        auto* ip = qobject_cast<lookup::TfrmIP*>(Windows().frmIP);
        if (ip && ip->isLookingUp())
            QObject::connect(ip, &lookup::TfrmIP::ipLookupFinished, &application,
                             [] { QCoreApplication::exit(0); });
        else
            QTimer::singleShot(0, &application, [] { QCoreApplication::exit(0); });
    }
    const int status = QApplication::exec();
    DestroyWindows();
    return status;
}

} // namespace kelvane::app
