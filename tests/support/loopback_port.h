#pragma once

#include <QtGlobal>

namespace kelvane::test {

// A port the kernel just handed out on 127.0.0.1; a server started right after binds it.
quint16 freeLoopbackPort();
// Whether something accepts connections on 127.0.0.1 and the port.
bool acceptsOnLoopback(quint16 port);
// Polls acceptsOnLoopback every 50 ms, at most timeoutMs; false when nothing listened in time
// or `stillRunning` says the server is gone.
template <typename StillRunning>
bool waitUntilListening(quint16 port, int timeoutMs, StillRunning stillRunning);

} // namespace kelvane::test

#include <chrono>
#include <thread>

template <typename StillRunning>
bool kelvane::test::waitUntilListening(quint16 port, int timeoutMs, StillRunning stillRunning) {
    for (int waited = 0; waited < timeoutMs && stillRunning(); waited += 50) {
        if (acceptsOnLoopback(port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
