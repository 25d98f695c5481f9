#pragma once

#include <QSignalSpy>
#include <QString>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace kelvane::test {

struct MissingControl : std::runtime_error {
    explicit MissingControl(const char* name)
        : std::runtime_error(std::string("no control named ") + name) {}
};

// A control of a window by its product name. A missing one fails the test with its name and
// ends it at once, where a null pointer would crash the whole test program.
template <typename Control> Control* control(const QWidget* window, const char* name) {
    auto* found = window->findChild<Control*>(QString::fromLatin1(name));
    if (!found)
        throw MissingControl(name);
    return found;
}

// Waits up to timeoutMs for a signal the spy records, processing events meanwhile; true when
// it came, also when it came before the wait. (No nested event loop: a test that asked the
// application to exit leaves every later one returning at once.)
inline bool waitForSignal(const QSignalSpy& spy, int timeoutMs = 60000) {
    return !spy.isEmpty() || QTest::qWaitFor([&] { return !spy.isEmpty(); }, timeoutMs);
}

// Runs press (a click that starts a window's run on a worker) and waits up to timeoutMs for
// the window's signal that the run has ended.
template <typename Window, typename Signal, typename Press>
bool pressAndWait(Window* window, Signal finished, Press&& press, int timeoutMs = 60000) {
    QSignalSpy spy(window, finished);
    press();
    return waitForSignal(spy, timeoutMs);
}

// Saves a window as a PNG under KELVANE_SCREENSHOT_DIR, when that names a folder.
void saveScreenshot(QWidget* window, const QString& name);

} // namespace kelvane::test
