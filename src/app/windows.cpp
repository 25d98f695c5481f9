#include "app/windows.h"

#include "app/about_window.h"
#include "app/main_window.h"
#include "app/update_window.h"
#include "keyword/keyword_window.h"
#include "lookup/ip_window.h"
#include "lookup/whois_window.h"
#include "mail/mail_window.h"
#include "store/history_window.h"
#include "store/site_manager_window.h"
#include "widgets/placement.h"

#include <memory>
#include <vector>

namespace kelvane::app {

namespace {
// Every about window lives until the end of the run, however many the tray menu made.
std::vector<std::unique_ptr<TfrmAbout>>& aboutWindows() {
    static std::vector<std::unique_ptr<TfrmAbout>> windows;
    return windows;
}
} // namespace

KelvaneWindows& Windows() {
    static KelvaneWindows windows;
    return windows;
}

TfrmAbout* CreateAboutWindow() {
    aboutWindows().push_back(std::make_unique<TfrmAbout>());
    Windows().frmAbout = aboutWindows().back().get();
    widgets::centreOnFirstShow(Windows().frmAbout, Windows().frmMain);
    return Windows().frmAbout;
}

void CreateWindows() {
    KelvaneWindows& w = Windows();
    w.frmMain = new TfrmMain;
    w.frmMail = new mail::TfrmMail;
    w.frmKeyWord = new keyword::TfrmKeyWord;
    w.frmManiSite = new store::TfrmManiSite;
    w.frmJilu = new store::TfrmJilu;
    w.frmWhois = new lookup::TfrmWhois;
    w.frmIP = new lookup::TfrmIP;
    CreateAboutWindow();
    w.frmUpdate = new TfrmUpdate;

    // Where each window appears the first time: on the screen, or over the main window.
    // The update window places itself in the screen's corner.
    for (QWidget* onScreen : {static_cast<QWidget*>(w.frmMain), w.frmMail, w.frmWhois})
        widgets::centreOnFirstShow(onScreen, nullptr);
    for (QWidget* overMain : {w.frmKeyWord, w.frmManiSite, w.frmJilu, w.frmIP})
        widgets::centreOnFirstShow(overMain, w.frmMain);
}

void DestroyWindows() {
    KelvaneWindows& w = Windows();
    delete w.frmUpdate;
    aboutWindows().clear();
    delete w.frmIP;
    delete w.frmWhois;
    delete w.frmJilu;
    delete w.frmManiSite;
    delete w.frmKeyWord;
    delete w.frmMail;
    delete w.frmMain;
    w = KelvaneWindows{};
}

void ShowWindow(QWidget* window) {
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace kelvane::app
