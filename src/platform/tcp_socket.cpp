#include "platform/tcp_socket.h"

#include "platform/errors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvane {

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

int pollFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs > 0 ? timeoutMs : -1);
        if (ready >= 0)
            return ready;
        if (errno != EINTR)
            throwSystemError(errno);
    }
}

} // namespace

TcpSocket::~TcpSocket() {
    close();
}

void TcpSocket::connectTo(const QString& host, quint16 port) {
    close();
    QString name = host;
    int family = AF_INET;
    if (name.startsWith(u'[') && name.endsWith(u']')) {
        name = name.mid(1, name.size() - 2);
        family = AF_INET6;
    }
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const QByteArray nameBytes = name.toUtf8();
    const QByteArray service = QByteArray::number(port);
    const int resolved = ::getaddrinfo(nameBytes.constData(), service.constData(), &hints, &found);
    if (resolved != 0)
        throwResolveError(resolved);

    int lastError = ECONNREFUSED;
    for (addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
        const int fd = ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC,
                                candidate->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int rc;
        do {
            rc = ::connect(fd, candidate->ai_addr, candidate->ai_addrlen);
        } while (rc < 0 && errno == EINTR);
        if (rc == 0) {
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            fd_ = fd;
            break;
        }
        lastError = errno;
        ::close(fd);
    }
    ::freeaddrinfo(found);
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

void TcpSocket::sendAll(QByteArrayView data) {
    if (fd_ < 0)
        throwSystemError(ENOTCONN);
    const char* next = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t sent = ::send(fd_, next, static_cast<size_t>(left), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(errno);
        }
        next += sent;
        left -= sent;
    }
}

qsizetype TcpSocket::sendSome(QByteArrayView data) {
    if (fd_ < 0)
        throwSystemError(ENOTCONN);
    for (;;) {
        const ssize_t sent =
            ::send(fd_, data.data(), static_cast<size_t>(data.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return sent;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR)
            throwSystemError(errno);
    }
}

bool TcpSocket::waitWritable(int timeoutMs) {
    if (fd_ < 0)
        throwSystemError(ENOTCONN);
    return pollFor(fd_, POLLOUT, timeoutMs) > 0;
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

} // namespace kelvane
