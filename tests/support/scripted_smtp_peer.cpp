#include "support/scripted_smtp_peer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvane::test {

namespace {

// No single wait of the peer lasts longer than this: a silent client ends the connection.
constexpr int kIdleLimitMs = 10000;
constexpr int kPollSliceMs = 50;

} // namespace

ScriptedSmtpPeer::ScriptedSmtpPeer(QByteArray greeting) : greeting_(std::move(greeting)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        throw std::runtime_error("scripted SMTP peer: socket failed");
    const int enable = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &enable, sizeof enable);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 4) != 0)
        throw std::runtime_error("scripted SMTP peer: bind or listen failed");
    socklen_t length = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);

    on("", "500 5.5.2 Error: command not recognized\r\n");
    on("EHLO", "250-peer.test\r\n250 8BITMIME\r\n");
    on("HELO", "250 peer.test\r\n");
    on("RSET", "250 2.0.0 Ok\r\n");
    on("MAIL FROM:", "250 2.1.0 Ok\r\n");
    on("RCPT TO:", "250 2.1.5 Ok\r\n");
    on("DATA", "354 End data with <CR><LF>.<CR><LF>\r\n");
    on(kEndOfData, "250 2.0.0 Ok: queued\r\n");
    on("QUIT", "221 2.0.0 Bye\r\n");
    thread_ = std::thread([this] { run(); });
}

ScriptedSmtpPeer::~ScriptedSmtpPeer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

void ScriptedSmtpPeer::on(const QByteArray& prefix, const QByteArray& reply, int times) {
    std::lock_guard lock(mutex_);
    rules_.prepend({prefix, reply, times});
}

bool ScriptedSmtpPeer::waitForHangUp(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return hungUp_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return connectionsDone_ > 0; });
}

QByteArray ScriptedSmtpPeer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

QByteArrayList ScriptedSmtpPeer::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

QByteArrayList ScriptedSmtpPeer::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

QByteArray ScriptedSmtpPeer::replyFor(const QByteArray& line) {
    std::lock_guard lock(mutex_);
    for (Rule& rule : rules_) {
        if (rule.times == 0 || !line.startsWith(rule.prefix))
            continue;
        if (rule.times > 0)
            --rule.times;
        return rule.reply;
    }
    return {};
}

void ScriptedSmtpPeer::run() {
    while (!stop_) {
        pollfd entry{listenFd_, POLLIN, 0};
        if (::poll(&entry, 1, kPollSliceMs) <= 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        serve(fd);
        ::close(fd);
        {
            std::lock_guard lock(mutex_);
            ++connectionsDone_;
        }
        hungUp_.notify_all();
    }
}

void ScriptedSmtpPeer::serve(int fd) {
    const auto send = [fd](const QByteArray& bytes) {
        return ::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) ==
               bytes.size();
    };
    if (!send(greeting_))
        return;
    QByteArray pending;
    bool inData = false;
    qsizetype dataStart = 0;
    int idleMs = 0;
    char buffer[4096];
    while (!stop_ && idleMs < kIdleLimitMs) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, kPollSliceMs) <= 0) {
            idleMs += kPollSliceMs;
            continue;
        }
        idleMs = 0;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        {
            std::lock_guard lock(mutex_);
            received_.append(buffer, got);
        }
        pending.append(buffer, got);
        for (;;) {
            const qsizetype lf = pending.indexOf('\n');
            if (lf < 0)
                break;
            QByteArray line = pending.left(lf + 1);
            pending.remove(0, lf + 1);
            line.chop(line.endsWith("\r\n") ? 2 : 1);
            if (inData) {
                if (line != ".")
                    continue;
                inData = false;
                {
                    std::lock_guard lock(mutex_);
                    messages_.append(
                        received_.mid(dataStart, received_.size() - pending.size() - dataStart));
                }
            } else {
                std::lock_guard lock(mutex_);
                commands_.append(line);
            }
            const QByteArray reply = replyFor(inData ? line : (line == "." ? kEndOfData : line));
            if (reply == kClose)
                return;
            if (!send(reply))
                return;
            if (line.startsWith("DATA") && reply.startsWith("354")) {
                inData = true;
                std::lock_guard lock(mutex_);
                dataStart = received_.size() - pending.size();
            }
            if (line.startsWith("QUIT") && reply.startsWith("221"))
                return;
        }
    }
}

} // namespace kelvane::test
