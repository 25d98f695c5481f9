// Whole responses as a server on loopback sends them: the client's head reader, chunk loop,
// Content-Length and close handling, interim responses and error bodies. An input of several
// responses (split at byte 0x1E) plays a conversation: redirects are followed on kept or new
// connections, cookies set on one hop grow the next request, and a response that begins with
// byte 0x1F is followed by silence until the exchange's deadline ends it. Every outcome is the
// body or one of the client's own errors, never more body than was sent, and never a wait
// past the deadline.
#include "fuzz_check.h"
#include "loopback_listener.h"
#include "net/idhttp.h"
#include "platform/errors.h"

#include <QElapsedTimer>
#include <atomic>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char kSeparator = '\x1e';
constexpr char kSilence = '\x1f';
constexpr int kMaxResponses = 16;
constexpr int kDeadlineMs = 400;

bool readRequest(int fd) {
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n")) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 2000) <= 0)
            return false;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        request.append(buffer, got);
    }
    return true;
}

// Waits until the client closes (drained, so the close sends no reset) or 2 s passed.
void drain(int fd) {
    char buffer[4096];
    pollfd entry{fd, POLLIN, 0};
    while (::poll(&entry, 1, 2000) > 0 && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
}

// Answers the requests of every connection with the script's responses in turn; the last one
// closes its connection.
class ScriptServer {
public:
    ScriptServer() {
        const kelvane::fuzz::LoopbackListener listener(16);
        listenFd_ = listener.fd;
        port_ = listener.port;
        std::thread([this] { acceptLoop(); }).detach();
    }

    quint16 port() const { return port_; }
    void setScript(QList<QByteArray> responses) {
        std::lock_guard lock(mutex_);
        responses_ = std::move(responses);
        next_ = 0;
        ++generation_;
    }

private:
    void acceptLoop() {
        for (;;) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            int generation;
            {
                std::lock_guard lock(mutex_);
                generation = generation_;
            }
            std::thread([this, fd, generation] { serve(fd, generation); }).detach();
        }
    }

    void serve(int fd, int generation) {
        while (readRequest(fd)) {
            QByteArray response;
            bool last;
            {
                std::lock_guard lock(mutex_);
                if (generation != generation_ || next_ >= responses_.size())
                    break;
                response = responses_[next_++];
                last = next_ == responses_.size();
            }
            const bool silent = response.startsWith(kSilence);
            if (silent)
                response.remove(0, 1);
            (void)::send(fd, response.constData(), static_cast<size_t>(response.size()),
                         MSG_NOSIGNAL);
            if (silent) {
                // Holds the connection open and says nothing more: only a deadline ends it.
                drain(fd);
                ::close(fd);
                return;
            }
            if (last)
                break;
        }
        ::shutdown(fd, SHUT_WR);
        drain(fd);
        ::close(fd);
    }

    int listenFd_ = -1;
    quint16 port_ = 0;
    std::mutex mutex_;
    QList<QByteArray> responses_;
    qsizetype next_ = 0;
    int generation_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    static ScriptServer server;
    const QByteArray input = fuzz::bytesOf(data, size);
    QList<QByteArray> responses = input.split(kSeparator);
    if (responses.size() > kMaxResponses)
        responses.resize(kMaxResponses);
    server.setScript(responses);

    net::TIdHTTP http;
    http.ReadTimeout = 200;
    http.HandleRedirects = responses.size() > 1;
    http.Exchange.deadlineMs = kDeadlineMs;
    QByteArray stream;
    QElapsedTimer clock;
    clock.start();
    try {
        http.GetToStream(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()), stream);
    } catch (const net::EIdHTTPProtocolException& error) {
        FUZZ_CHECK(error.ErrorMessage().size() <= input.size());
    } catch (const platform::KelvaneError&) {
        // One of the documented failures; anything else escapes and is a finding.
    }
    FUZZ_CHECK(stream.size() <= input.size());
    // Generous: a loaded machine must not make a finding of a slow scheduler.
    FUZZ_CHECK(clock.elapsed() < kDeadlineMs + 3000);
    return 0;
}
