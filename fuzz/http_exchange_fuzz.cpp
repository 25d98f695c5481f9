// A whole response as a server on loopback sends it, then closes: the client's head reader,
// chunk loop, Content-Length and close handling, interim responses and error bodies. Every
// outcome is the body or one of the client's own errors, and never more body than was sent.
#include "fuzz_check.h"
#include "net/idhttp.h"
#include "platform/errors.h"

#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Answers each connection with the current response and closes it.
class OneShotServer {
public:
    OneShotServer() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        FUZZ_CHECK(listenFd_ >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        FUZZ_CHECK(::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        FUZZ_CHECK(::listen(listenFd_, 8) == 0);
        socklen_t length = sizeof address;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        std::thread([this] { run(); }).detach();
    }

    quint16 port() const { return port_; }
    void setResponse(QByteArray bytes) {
        std::lock_guard lock(mutex_);
        response_ = std::move(bytes);
    }

private:
    void run() {
        for (;;) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            QByteArray request;
            char buffer[4096];
            while (!request.contains("\r\n\r\n")) {
                pollfd entry{fd, POLLIN, 0};
                if (::poll(&entry, 1, 2000) <= 0)
                    break;
                const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, got);
            }
            QByteArray response;
            {
                std::lock_guard lock(mutex_);
                response = response_;
            }
            (void)::send(fd, response.constData(), static_cast<size_t>(response.size()),
                         MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_WR);
            // Drain, so the close sends no reset.
            pollfd entry{fd, POLLIN, 0};
            while (::poll(&entry, 1, 2000) > 0 && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
            }
            ::close(fd);
        }
    }

    int listenFd_ = -1;
    quint16 port_ = 0;
    std::mutex mutex_;
    QByteArray response_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    static OneShotServer server;
    const QByteArray response = fuzz::bytesOf(data, size);
    server.setResponse(response);

    TIdHTTP http;
    http.ReadTimeout = 2000;
    QByteArray stream;
    try {
        http.GetToStream(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()), stream);
    } catch (const EIdHTTPProtocolException& error) {
        FUZZ_CHECK(error.ErrorMessage().size() <= response.size());
    } catch (const KelvaneError&) {
        // One of the documented failures; anything else escapes and is a finding.
    }
    FUZZ_CHECK(stream.size() <= response.size());
    return 0;
}
