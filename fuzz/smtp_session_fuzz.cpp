// A whole SMTP session against a peer that sends the input as its replies, then closes: the
// greeting, EHLO capabilities (the AUTH lines decide the login), the replies to every command
// of a transaction and to QUIT. Every outcome is success or one of the client's own errors,
// and nothing of what the peer sent reaches a command line.
#include "fuzz_check.h"
#include "loopback_listener.h"
#include "net/idsmtp.h"
#include "platform/errors.h"

#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Sends the current script on each connection, records what the client sent, and closes.
class ScriptPeer {
public:
    ScriptPeer() {
        const kelvane::fuzz::LoopbackListener listener(8);
        listenFd_ = listener.fd;
        port_ = listener.port;
        std::thread([this] { run(); }).detach();
    }

    quint16 port() const { return port_; }
    void setScript(QByteArray bytes) {
        std::lock_guard lock(mutex_);
        script_ = std::move(bytes);
        received_.clear();
        done_ = false;
    }
    // What the client sent, once the peer has finished with the connection.
    QByteArray received() {
        for (int i = 0; i < 400; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (done_)
                    return received_;
            }
            ::usleep(5000);
        }
        return {};
    }

private:
    void run() {
        for (;;) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            QByteArray script;
            {
                std::lock_guard lock(mutex_);
                script = script_;
            }
            (void)::send(fd, script.constData(), static_cast<size_t>(script.size()), MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_WR);
            QByteArray got;
            char buffer[4096];
            pollfd entry{fd, POLLIN, 0};
            while (::poll(&entry, 1, 2000) > 0) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                got.append(buffer, n);
            }
            ::close(fd);
            std::lock_guard lock(mutex_);
            received_ = got;
            done_ = true;
        }
    }

    int listenFd_ = -1;
    quint16 port_ = 0;
    std::mutex mutex_;
    QByteArray script_;
    QByteArray received_;
    bool done_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    static ScriptPeer peer;
    peer.setScript(fuzz::bytesOf(data, size));

    net::TIdSMTP smtp;
    smtp.Host = QStringLiteral("127.0.0.1");
    smtp.Port = peer.port();
    smtp.HeloName = QStringLiteral("fuzz.test");
    smtp.Username = QStringLiteral("user");
    smtp.Password = QStringLiteral("secret");
    smtp.WaitTimeouts = net::uniformSmtpWaitTimeouts(2000);
    net::TIdMessage message;
    message.From.setText(u"a@x.cn");
    message.setRecipientsText(u"b@y.cn; c@z.cn");
    message.Subject = QStringLiteral("s");
    message.setBodyText(QStringLiteral("body\r\n.\r\nmore"));
    try {
        smtp.Connect();
        for (const QString& line : smtp.Capabilities())
            FUZZ_CHECK(line.size() <= 4096);
        smtp.Send(message);
        smtp.Disconnect();
    } catch (const platform::KelvaneError&) {
        // One of the documented failures; anything else escapes and is a finding.
    }
    try {
        smtp.Disconnect(); // after a failed transaction the session is still open
    } catch (const platform::KelvaneError&) {
    }
    FUZZ_CHECK(!smtp.Connected());

    // The client's own commands only: every line it sent is one it wrote itself.
    const QByteArray sent = peer.received();
    for (const QByteArray& line : sent.split('\n')) {
        if (line.startsWith("MAIL FROM:"))
            FUZZ_CHECK(line == "MAIL FROM: <a@x.cn>\r");
        if (line.startsWith("RCPT TO:"))
            FUZZ_CHECK(line == "RCPT TO:<b@y.cn>\r" || line == "RCPT TO:<c@z.cn>\r");
    }
    return 0;
}
