#pragma once

#include <QWidget>

namespace kelvane::app {

class TfrmMain;
class TfrmAbout;
class TfrmUpdate;

// The one instance of each window, created at start-up in this order and kept for the run.
// Before CreateWindows and after DestroyWindows every reference is null, and the buttons that
// show a window do nothing.
struct KelvaneWindows {
    TfrmMain* frmMain = nullptr;
    QWidget* frmMail = nullptr;
    QWidget* frmKeyWord = nullptr;
    QWidget* frmManiSite = nullptr;
    QWidget* frmJilu = nullptr;
    QWidget* frmWhois = nullptr;
    QWidget* frmIP = nullptr;
    // The tray menu replaces it with a new one each time.
    TfrmAbout* frmAbout = nullptr;
    TfrmUpdate* frmUpdate = nullptr;
};

KelvaneWindows& Windows();

// Creates every window in the start-up order; the main window's creation prepares the
// working directory before any other window exists.
void CreateWindows();
// A new about window that the global reference then names; earlier ones stay open.
TfrmAbout* CreateAboutWindow();
// Destroys every window, the about windows the tray menu made included.
void DestroyWindows();

// Shows a window beside the others without a modal loop; one already visible comes forward.
void ShowWindow(QWidget* window);

} // namespace kelvane::app
