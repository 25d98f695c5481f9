#pragma once

#include <QProcess>

namespace kelvane::test {

// Ends a server the test started: asks it to stop, and kills it if it has not within the time.
// Every wait is bounded, so a server that hangs cannot hold the test program.
inline void stopChildProcess(QProcess& process, int graceMs = 5000) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace kelvane::test
