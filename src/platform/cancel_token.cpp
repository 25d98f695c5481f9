#include "platform/cancel_token.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kelvane::platform {

namespace {

thread_local CancelToken* tCurrent = nullptr;

[[noreturn]] void throwSystemError(int error) {
    throw ESocketError(error, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

CancelToken::CancelToken() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0)
        throwSystemError(errno);
}

CancelToken::~CancelToken() {
    ::close(fd_);
}

void CancelToken::cancel() {
    const std::uint64_t one = 1;
    // The counter only grows; once readable it stays readable, since no one reads it.
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool CancelToken::isCancelled() const {
    pollfd entry{fd_, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
}

CancelToken* currentCancelToken() {
    return tCurrent;
}

ScopedCancelToken::ScopedCancelToken(CancelToken* token) : previous_(tCurrent) {
    tCurrent = token;
}

ScopedCancelToken::~ScopedCancelToken() {
    tCurrent = previous_;
}

void throwIfStopped() {
    if (tCurrent && tCurrent->isCancelled())
        throw EStopped();
}

int pollStoppable(pollfd& entry, int timeoutMs) {
    pollfd entries[2] = {entry, {tCurrent ? tCurrent->fd() : -1, POLLIN, 0}};
    for (;;) {
        // A negative descriptor is ignored by poll(): without a token this is a plain wait.
        const int ready = ::poll(entries, 2, timeoutMs >= 0 ? timeoutMs : -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(errno);
        }
        if (entries[1].revents != 0)
            throw EStopped();
        entry.revents = entries[0].revents;
        return ready;
    }
}

} // namespace kelvane::platform
