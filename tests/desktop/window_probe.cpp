// Starts the program's windows the way the program does, shows every one of them, and prints
// one line per window, "<object name> <native window id>", then "ready". It ends when its
// standard input closes, or after 30 seconds whatever happens.
#include "app/about_window.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/update_window.h"
#include "app/windows.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace kelvane;
    QApplication application(argc, argv);
    app::applyApplicationIdentity();
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvane_window_probe WORKING-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir::setCurrent(folder);
    platform::ScopedExecutableDir executableDir(folder);

    app::CreateWindows();
    const app::KelvaneWindows& w = app::Windows();
    QWidget* const windows[] = {w.frmMain,  w.frmMail, w.frmKeyWord, w.frmManiSite, w.frmJilu,
                                w.frmWhois, w.frmIP,   w.frmAbout,   w.frmUpdate};
    for (QWidget* window : windows)
        app::ShowWindow(window);
    QApplication::processEvents();
    for (QWidget* window : windows)
        std::printf("%s %llu\n", qPrintable(window->objectName()),
                    static_cast<unsigned long long>(window->winId()));
    std::printf("ready\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char byte;
        if (::read(STDIN_FILENO, &byte, 1) <= 0) {
            input.setEnabled(false);
            QCoreApplication::exit(0);
        }
    });
    // exit, not quit: quit asks every window to close, and the main window refuses.
    QTimer::singleShot(30000, &application, [] { QCoreApplication::exit(0); });
    const int status = QApplication::exec();
    app::DestroyWindows();
    return status;
}
