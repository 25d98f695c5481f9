#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// What the scripted servers cannot do: stream until the client gives up, and reset a
// connection. One connection on 127.0.0.1, run by a script on a thread of the test; every
// wait is bounded, so a client that misbehaves fails the test instead of hanging it.
namespace kelvane::test {

class HostilePeer {
public:
    using Script = std::function<void(int fd)>;
    static constexpr int kLimitMs = 5000;

    explicit HostilePeer(Script script) {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listenFd_ < 0 ||
            ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listenFd_, 1) != 0)
            throw std::runtime_error("hostile peer: cannot listen");
        socklen_t length = sizeof address;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, script = std::move(script)] {
            pollfd entry{listenFd_, POLLIN, 0};
            if (::poll(&entry, 1, kLimitMs) <= 0)
                return;
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            script(fd);
            ::close(fd);
        });
    }
    ~HostilePeer() {
        thread_.join();
        ::close(listenFd_);
    }
    HostilePeer(const HostilePeer&) = delete;
    HostilePeer& operator=(const HostilePeer&) = delete;

    quint16 port() const { return port_; }

private:
    int listenFd_ = -1;
    quint16 port_ = 0;
    std::thread thread_;
};

// Sends every byte; false when the client has gone or kLimitMs passed.
inline bool sendAll(int fd, QByteArrayView bytes) {
    QElapsedTimer clock;
    clock.start();
    while (!bytes.isEmpty()) {
        pollfd entry{fd, POLLOUT, 0};
        const int left = HostilePeer::kLimitMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || ::poll(&entry, 1, left) <= 0)
            return false;
        const ssize_t sent = ::send(fd, bytes.data(), static_cast<size_t>(bytes.size()),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (sent > 0)
            bytes = bytes.sliced(sent);
    }
    return true;
}

// Sends `piece` over and over until the client stops reading (closes) or kLimitMs passed.
// Returns the number of bytes sent.
inline qint64 sendForever(int fd, const QByteArray& piece) {
    const QByteArray block = piece.repeated(qMax<qsizetype>(1, 65536 / piece.size()));
    QElapsedTimer clock;
    clock.start();
    qint64 sent = 0;
    while (clock.elapsed() < HostilePeer::kLimitMs && sendAll(fd, block))
        sent += block.size();
    return sent;
}

// Reads until `marker` has arrived (true) or the client closes or kLimitMs passed.
inline bool readUntil(int fd, const QByteArray& marker, QByteArray* received = nullptr) {
    QByteArray bytes;
    char buffer[65536];
    QElapsedTimer clock;
    clock.start();
    while (!bytes.contains(marker)) {
        pollfd entry{fd, POLLIN, 0};
        const int left = HostilePeer::kLimitMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || ::poll(&entry, 1, left) <= 0)
            return false;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        bytes.append(buffer, got);
    }
    if (received)
        *received = bytes;
    return true;
}

// Ends the connection with a reset instead of a graceful close.
inline void resetConnection(int fd) {
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

// The process's peak resident memory so far, in megabytes.
inline long peakRssMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// One SMTP session for one message that answers every command at once, but the final "." only
// after delayMs: a server that scans what it was given before it accepts it.
inline HostilePeer::Script smtpPeerSlowAfterData(int delayMs) {
    return [delayMs](int fd) {
        const QByteArray steps[][2] = {
            {"", "220 peer.test\r\n"},       {"\r\n", "250 peer.test\r\n"},
            {"\r\n", "250 reset\r\n"},       {"\r\n", "250 sender\r\n"},
            {"\r\n", "250 recipient\r\n"},   {"\r\n", "354 go on\r\n"},
            {"\r\n.\r\n", "250 queued\r\n"}, {"\r\n", "221 bye\r\n"},
        };
        for (const auto& step : steps) {
            if (!step[0].isEmpty() && !readUntil(fd, step[0]))
                return;
            if (step[0] == "\r\n.\r\n")
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            if (!sendAll(fd, step[1]))
                return;
        }
    };
}

} // namespace kelvane::test
