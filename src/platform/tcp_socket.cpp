#include "platform/tcp_socket.h"

#include "platform/cancel_token.h"
#include "platform/errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace kelvane::platform {

namespace {

[[noreturn]] void throwSystemError(int error) {
    throw ESocketError(error, QString::fromLocal8Bit(std::strerror(error)));
}

// Resolution failures carry the resolver's own code and text, as no errno describes them.
[[noreturn]] void throwResolveError(int gaiError) {
    if (gaiError == EAI_SYSTEM)
        throwSystemError(errno);
    throw ESocketError(gaiError < 0 ? -gaiError : gaiError,
                       QString::fromLocal8Bit(gai_strerror(gaiError)));
}

// timeoutMs <= 0: no limit. A stop of the run ends the wait at once (EStopped).
int pollFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    return pollStoppable(entry, timeoutMs > 0 ? timeoutMs : -1);
}

using AddressList = std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)>;

// A lookup that a caller may stop waiting for: the helper thread finishes on its own and the
// last owner frees the answer.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int result = 0;
    int systemError = 0;
    addrinfo* found = nullptr;

    ~PendingLookup() {
        if (found)
            ::freeaddrinfo(found);
    }
};

[[noreturn]] void throwTimedOut() {
    throw EReadTimeout();
}

// Numeric addresses never touch the resolver. A name is looked up on a helper thread only when
// a deadline is set, since the system resolver has no time-out a caller can pass.
AddressList resolve(const QByteArray& name, const QByteArray& service, int family,
                    const Deadline& deadline) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    hints.ai_flags = AI_NUMERICHOST;
    if (::getaddrinfo(name.constData(), service.constData(), &hints, &found) == 0)
        return AddressList(found, ::freeaddrinfo);
    hints.ai_flags = 0;
    if (!deadline.isSet()) {
        const int resolved = ::getaddrinfo(name.constData(), service.constData(), &hints, &found);
        if (resolved != 0)
            throwResolveError(resolved);
        return AddressList(found, ::freeaddrinfo);
    }
    if (deadline.hasPassed())
        throwTimedOut();
    auto lookup = std::make_shared<PendingLookup>();
    std::thread([lookup, name, service, hints] {
        addrinfo* answer = nullptr;
        const int result = ::getaddrinfo(name.constData(), service.constData(), &hints, &answer);
        const int systemError = errno;
        std::lock_guard lock(lookup->mutex);
        lookup->found = answer;
        lookup->result = result;
        lookup->systemError = systemError;
        lookup->done = true;
        lookup->finished.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    const auto until = Deadline::Clock::now() + std::chrono::milliseconds(deadline.remainingMs());
    // In slices, so a stop of the run is seen while the resolver takes its time.
    constexpr auto kStopSlice = std::chrono::milliseconds(50);
    while (!lookup->done) {
        if (Deadline::Clock::now() >= until)
            throwTimedOut();
        lookup->finished.wait_until(lock, std::min(until, Deadline::Clock::now() + kStopSlice),
                                    [&] { return lookup->done; });
        if (!lookup->done)
            throwIfStopped();
    }
    if (lookup->result != 0) {
        errno = lookup->systemError;
        throwResolveError(lookup->result);
    }
    return AddressList(std::exchange(lookup->found, nullptr), ::freeaddrinfo);
}

// Connects without blocking past the deadline; the socket is blocking again afterwards.
// Returns -1 with the error in lastError when this address refused.
int connectOne(const addrinfo& address, const Deadline& deadline, int& lastError) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                            address.ai_protocol);
    if (fd < 0) {
        lastError = errno;
        return -1;
    }
    int error = 0;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) < 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            const int waitMs = deadline.waitMs(-1);
            int ready = 0;
            if (waitMs != 0) {
                try {
                    ready = pollFor(fd, POLLOUT, waitMs);
                } catch (...) {
                    ::close(fd);
                    throw;
                }
            }
            if (ready <= 0) {
                ::close(fd);
                throwTimedOut();
            }
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        }
    }
    if (error != 0) {
        lastError = error;
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

TcpSocket::~TcpSocket() {
    close();
}

void TcpSocket::connectTo(const QString& host, quint16 port, const Deadline& deadline) {
    close();
    // A stopped run sends nothing more.
    throwIfStopped();
    QString name = host;
    int family = AF_INET;
    if (name.startsWith(u'[') && name.endsWith(u']')) {
        name = name.mid(1, name.size() - 2);
        family = AF_INET6;
    }
    const AddressList found = resolve(name.toUtf8(), QByteArray::number(port), family, deadline);

    int lastError = ECONNREFUSED;
    for (const addrinfo* candidate = found.get(); candidate; candidate = candidate->ai_next) {
        const int fd = connectOne(*candidate, deadline, lastError);
        if (fd >= 0) {
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            fd_ = fd;
            break;
        }
    }
    if (fd_ < 0)
        throwSystemError(lastError);
    host_ = host;
    port_ = port;
}

void TcpSocket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void TcpSocket::sendAll(QByteArrayView data, const Deadline& deadline) {
    if (fd_ < 0)
        throwSystemError(ENOTCONN);
    const char* next = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t sent = ::send(fd_, next, static_cast<size_t>(left),
                                    MSG_NOSIGNAL | (deadline.isSet() ? MSG_DONTWAIT : 0));
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                const int waitMs = deadline.waitMs(-1);
                if (waitMs == 0 || pollFor(fd_, POLLOUT, waitMs) == 0)
                    throwTimedOut();
                continue;
            }
            throwSystemError(errno);
        }
        next += sent;
        left -= sent;
    }
}

bool TcpSocket::waitReadable(int timeoutMs) {
    if (fd_ < 0)
        throwSystemError(ENOTCONN);
    return pollFor(fd_, POLLIN, timeoutMs) > 0;
}

qsizetype TcpSocket::readSome(char* buffer, qsizetype maxBytes) {
    if (fd_ < 0)
        throwSystemError(ENOTCONN);
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, static_cast<size_t>(maxBytes), 0);
        if (got >= 0)
            return got;
        if (errno != EINTR)
            throwSystemError(errno);
    }
}

bool TcpSocket::peerHasClosed() {
    if (fd_ < 0)
        return true;
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0)
        return false;
    char probe;
    const ssize_t got = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

} // namespace kelvane::platform
