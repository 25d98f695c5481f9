#include "app/about_window.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "gui_support/window_test.h"
#include "support/fixture_web.h"

#include <QApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace kelvane::app {
namespace {

class WindowPlacementTest : public test::WindowTest {
protected:
    void TearDown() override {
        DestroyWindows();
        WindowTest::TearDown();
    }
    test::FixtureWeb web;
};

// One rule for every window: frame centred on frame, over the main window or over the screen's
// work area, the first time it is shown; a window moved since stays where it was put.
TEST_F(WindowPlacementTest, FirstShowCentresEachWindowFrameOnItsAnchor) {
    CreateWindows();
    const KelvaneWindows& w = Windows();
    const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
    w.frmMain->show();
    QApplication::processEvents();
    // Off centre, so that a window centred on the screen by mistake cannot pass as centred on it.
    w.frmMain->move(w.frmMain->pos() + QPoint(37, -23));
    QApplication::processEvents();
    const QPoint main = w.frmMain->frameGeometry().center();
    ASSERT_NE(main, screen);

    const struct {
        const char* name;
        QWidget* window;
        QPoint centre;
    } cases[] = {
        {"frmMail", w.frmMail, screen},     {"frmWhois", w.frmWhois, screen},
        {"frmKeyWord", w.frmKeyWord, main}, {"frmManiSite", w.frmManiSite, main},
        {"frmJilu", w.frmJilu, main},       {"frmIP", w.frmIP, main},
        {"frmAbout", w.frmAbout, main},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.window, nullptr) << c.name;
        ShowWindow(c.window);
        QApplication::processEvents();
        EXPECT_EQ(c.window->frameGeometry().center(), c.centre) << c.name;
        c.window->move(c.window->pos() + QPoint(11, 7));
        c.window->hide();
        ShowWindow(c.window);
        QApplication::processEvents();
        EXPECT_EQ(c.window->frameGeometry().center(), c.centre + QPoint(11, 7)) << c.name;
    }
    EXPECT_TRUE(reports.isEmpty());
}

} // namespace
} // namespace kelvane::app
