#pragma once

#include "platform/errors.h"

#include <poll.h>

namespace kelvane::platform {

// A run's stop, shared by the thread that asks for it and the thread whose waits it ends.
// It is a file descriptor (an eventfd) so that every socket wait polls it beside its socket and
// ends at once when the stop comes, instead of at the deadline.
class CancelToken {
public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // From any thread, any number of times.
    void cancel();
    bool isCancelled() const;
    // Readable once cancelled.
    int fd() const { return fd_; }

private:
    int fd_;
};

// The exchange ended because the user stopped the run.
class EStopped : public KelvaneError {
public:
    EStopped() : KelvaneError(QStringLiteral("Stopped.")) {}
};

// The token every wait of this thread watches; none: waits end only by their own limits.
CancelToken* currentCancelToken();

// Makes a token this thread's for its lifetime; the previous one returns when it ends.
class ScopedCancelToken {
public:
    explicit ScopedCancelToken(CancelToken* token);
    ~ScopedCancelToken();
    ScopedCancelToken(const ScopedCancelToken&) = delete;
    ScopedCancelToken& operator=(const ScopedCancelToken&) = delete;

private:
    CancelToken* previous_;
};

// EStopped when this thread's token is cancelled.
void throwIfStopped();

// poll() on one descriptor and this thread's token (timeoutMs < 0: no limit), repeated on
// EINTR: the ready count of the entry, 0 when the time ran out. EStopped when the token fired
// first; a system failure raises ESocketError.
int pollStoppable(pollfd& entry, int timeoutMs);

} // namespace kelvane::platform
