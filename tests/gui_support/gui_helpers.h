#pragma once

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace kelvane::test {

// A control of a window by its product name; fails the test with the name when missing.
template <typename Control> Control* control(const QWidget* window, const char* name) {
    auto* found = window->findChild<Control*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
}

// Saves a window as a PNG under KELVANE_SCREENSHOT_DIR, when that names a folder.
void saveScreenshot(QWidget* window, const QString& name);

} // namespace kelvane::test
