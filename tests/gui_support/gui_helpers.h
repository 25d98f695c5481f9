#pragma once

#include <QString>
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

// Saves a window as a PNG under KELVANE_SCREENSHOT_DIR, when that names a folder.
void saveScreenshot(QWidget* window, const QString& name);

} // namespace kelvane::test
