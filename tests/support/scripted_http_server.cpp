#include "support/scripted_http_server.h"

#include <QByteArrayView>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvane::test {

namespace {

constexpr int kSliceMs = 20;
constexpr qsizetype kMaxRequestBytes = 1 << 20;

using Clock = std::chrono::steady_clock;

int elapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// The end of the request head (after the blank line), or -1.
qsizetype headEnd(const QByteArray& bytes) {
    for (qsizetype i = bytes.indexOf('\n'); i >= 0; i = bytes.indexOf('\n', i + 1)) {
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            return i + 2;
        if (i + 2 < bytes.size() && bytes[i + 1] == '\r' && bytes[i + 2] == '\n')
            return i + 3;
    }
    return -1;
}

} // namespace

Reply& Reply::send(QByteArray bytes) {
    steps_.push_back({Step::Kind::Send, std::move(bytes), 0});
    return *this;
}

Reply& Reply::delay(int ms) {
    steps_.push_back({Step::Kind::Delay, {}, ms});
    return *this;
}

Reply& Reply::drip(const QByteArray& bytes, int pieceSize, int pauseMs) {
    const qsizetype size = pieceSize > 0 ? pieceSize : 1;
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        if (at > 0)
            delay(pauseMs);
        send(bytes.mid(at, size));
    }
    return *this;
}

Reply& Reply::close() {
    steps_.push_back({Step::Kind::Close, {}, 0});
    return *this;
}

Reply& Reply::silent() {
    steps_.push_back({Step::Kind::Silent, {}, 0});
    return *this;
}

QByteArray httpResponse(const QByteArray& statusLine, const QList<QByteArray>& headerLines,
                        const QByteArray& body) {
    QByteArray out = statusLine + "\r\n";
    bool framed = false;
    for (const QByteArray& line : headerLines) {
        const QByteArray lower = line.toLower();
        framed =
            framed || lower.startsWith("content-length:") || lower.startsWith("transfer-encoding:");
        out += line + "\r\n";
    }
    if (!framed)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return out + "\r\n" + body;
}

QByteArray requestTarget(const QByteArray& request) {
    const qsizetype lineEnd = request.indexOf('\n');
    const QList<QByteArray> fields =
        request.left(lineEnd < 0 ? request.size() : lineEnd).trimmed().split(' ');
    return fields.size() == 3 ? fields[1] : QByteArray();
}

QByteArray requestHeader(const QByteArray& request, const QByteArray& name) {
    const QByteArray wanted = name.toLower() + ':';
    const QList<QByteArray> lines = request.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        if (line.toLower().startsWith(wanted))
            return line.mid(wanted.size()).trimmed();
    }
    return {};
}

ScriptedHttpServer::ScriptedHttpServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0)
        qFatal("ScriptedHttpServer: socket failed (%d)", errno);
    const int on = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0)
        qFatal("ScriptedHttpServer: bind/listen failed (%d)", errno);
    socklen_t length = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

ScriptedHttpServer::ScriptedHttpServer(QList<Reply> replies) : ScriptedHttpServer() {
    for (Reply& reply : replies)
        addReply(std::move(reply));
}

ScriptedHttpServer::~ScriptedHttpServer() {
    stopping_ = true;
    if (acceptThread_.joinable())
        acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(connectionThreads_);
    }
    for (std::thread& thread : threads)
        thread.join();
    ::close(listenFd_);
}

QString ScriptedHttpServer::hostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QString ScriptedHttpServer::url(const QString& pathAndQuery) const {
    return QStringLiteral("http://") + hostPort() + pathAndQuery;
}

void ScriptedHttpServer::addReply(Reply reply) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
}

void ScriptedHttpServer::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

QList<QByteArray> ScriptedHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int ScriptedHttpServer::acceptedConnections() const {
    std::lock_guard lock(mutex_);
    return accepted_;
}

bool ScriptedHttpServer::waitForRequests(int count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= count; });
}

void ScriptedHttpServer::acceptLoop() {
    while (!stopping_) {
        pollfd entry{listenFd_, POLLIN, 0};
        if (::poll(&entry, 1, kSliceMs) <= 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(mutex_);
        ++accepted_;
        connectionThreads_.emplace_back([this, fd] {
            serve(fd);
            ::close(fd);
        });
    }
}

void ScriptedHttpServer::serve(int fd) {
    QByteArray pending;
    char buffer[16384];
    Clock::time_point idleSince = Clock::now();
    while (!stopping_) {
        const qsizetype end = headEnd(pending);
        if (end >= 0) {
            const QByteArray request = pending.left(end);
            pending.remove(0, end);
            Reply reply;
            if (!nextReply(request, reply) || !play(fd, reply))
                return;
            idleSince = Clock::now();
            continue;
        }
        if (pending.size() > kMaxRequestBytes || elapsedMs(idleSince) > kIdleLimitMs)
            return;
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, kSliceMs) <= 0)
            continue;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            return;
        if (got > 0)
            pending.append(buffer, got);
    }
}

bool ScriptedHttpServer::nextReply(const QByteArray& request, Reply& reply) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        requests_.append(request);
        arrived_.notify_all();
        if (!replies_.empty()) {
            reply = std::move(replies_.front());
            replies_.pop_front();
            return true;
        }
        handler = handler_;
    }
    if (!handler)
        return false;
    reply = handler(request);
    return true;
}

bool ScriptedHttpServer::play(int fd, const Reply& reply) {
    for (const Reply::Step& step : reply.steps()) {
        switch (step.kind) {
        case Reply::Step::Kind::Send: {
            qsizetype at = 0;
            const Clock::time_point since = Clock::now();
            while (at < step.bytes.size()) {
                if (stopping_ || elapsedMs(since) > kIdleLimitMs)
                    return false;
                const ssize_t sent =
                    ::send(fd, step.bytes.constData() + at,
                           static_cast<size_t>(step.bytes.size() - at), MSG_NOSIGNAL);
                if (sent > 0) {
                    at += sent;
                    continue;
                }
                if (sent < 0 && errno != EAGAIN && errno != EINTR)
                    return false;
                pollfd entry{fd, POLLOUT, 0};
                ::poll(&entry, 1, kSliceMs);
            }
            break;
        }
        case Reply::Step::Kind::Delay:
            if (!pause(step.ms))
                return false;
            break;
        case Reply::Step::Kind::Close:
            return false;
        case Reply::Step::Kind::Silent: {
            const Clock::time_point since = Clock::now();
            char sink[4096];
            while (!stopping_ && elapsedMs(since) < kIdleLimitMs) {
                pollfd entry{fd, POLLIN, 0};
                if (::poll(&entry, 1, kSliceMs) <= 0)
                    continue;
                const ssize_t got = ::recv(fd, sink, sizeof sink, 0);
                if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
                    break;
            }
            return false;
        }
        }
    }
    return true;
}

bool ScriptedHttpServer::pause(int ms) const {
    const Clock::time_point since = Clock::now();
    while (elapsedMs(since) < ms) {
        if (stopping_)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kSliceMs, ms)));
    }
    return true;
}

} // namespace kelvane::test
