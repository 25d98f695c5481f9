#pragma once

#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

namespace kelvane::test {

// Debian's Xvfb as a child process on a display number it picks itself (-displayfd), local
// connections only. Stopped by the destructor.
class XvfbServer {
public:
    static constexpr const char* kBinary = "/usr/bin/Xvfb";

    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    static bool installed();
    // Starts the server; false with error() set when it does not come up within a few seconds.
    bool start();
    const QString& error() const { return error_; }
    // ":N", for DISPLAY.
    const QString& display() const { return display_; }

private:
    QProcess process_;
    QString display_;
    QString error_;
};

} // namespace kelvane::test

// Skips the running test when Xvfb is not installed and fails it when Xvfb will not start.
#define KELVANE_START_XVFB(server)                                                                 \
    do {                                                                                           \
        if (!::kelvane::test::XvfbServer::installed())                                             \
            GTEST_SKIP() << "Xvfb is not installed at " << ::kelvane::test::XvfbServer::kBinary    \
                         << " (Debian package xvfb)";                                              \
        ASSERT_TRUE((server).start()) << (server).error().toStdString();                           \
    } while (false)
