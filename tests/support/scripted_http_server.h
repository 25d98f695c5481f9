#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane::test {

// What the server does for one request, step by step, exactly as written: bytes, pauses,
// slow drips, an early close or silence. Sends nothing by itself; an empty reply with close()
// closes before any status line.
class Reply {
public:
    Reply() = default;
    // A reply that sends these bytes at once.
    Reply(QByteArray bytes) { send(std::move(bytes)); }    // NOLINT: implicit on purpose
    Reply(const char* bytes) : Reply(QByteArray(bytes)) {} // NOLINT: implicit on purpose

    Reply& send(QByteArray bytes);
    Reply& delay(int ms);
    // Sends the bytes in pieces of pieceSize with pauseMs between them.
    Reply& drip(const QByteArray& bytes, int pieceSize, int pauseMs);
    // Closes the connection after the steps before it.
    Reply& close();
    // Sends nothing more and reads nothing more until the client closes or the server stops.
    Reply& silent();

    struct Step {
        enum class Kind { Send, Delay, Close, Silent } kind;
        QByteArray bytes;
        int ms = 0;
    };
    const std::vector<Step>& steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

// A raw response: the status line, the header lines, Content-Length unless a header already
// sets Content-Length or Transfer-Encoding, the blank line and the body.
QByteArray httpResponse(const QByteArray& statusLine, const QList<QByteArray>& headerLines = {},
                        const QByteArray& body = {});
// The target of a raw request line ("GET /a?b HTTP/1.1" gives "/a?b"); empty when malformed.
QByteArray requestTarget(const QByteArray& request);
// The value of the first header of that name in a raw request, case-insensitively; empty
// when absent.
QByteArray requestHeader(const QByteArray& request, const QByteArray& name);

// An HTTP server on a thread of the test, bound to 127.0.0.1 on a free port. Every request
// (raw bytes up to and including the blank line) is recorded and answered by the next queued
// reply, or by the handler when the queue is empty; with neither, the connection is closed.
// Connections are kept open between requests unless a reply closes them. Every wait is
// bounded, and the destructor stops all threads.
class ScriptedHttpServer {
public:
    using Handler = std::function<Reply(const QByteArray& request)>;

    ScriptedHttpServer();
    explicit ScriptedHttpServer(QList<Reply> replies);
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    quint16 port() const { return port_; }
    // "127.0.0.1:N"
    QString hostPort() const;
    // "http://127.0.0.1:N" followed by the path.
    QString url(const QString& pathAndQuery = QStringLiteral("/")) const;

    void addReply(Reply reply);
    void setHandler(Handler handler);

    // Every raw request received so far, in order of arrival.
    QList<QByteArray> requests() const;
    int acceptedConnections() const;
    // Waits until at least count requests have arrived; false when timeoutMs ran out first.
    bool waitForRequests(int count, int timeoutMs = 5000) const;

    // How long an idle connection waits for its next request, and a silent reply holds.
    static constexpr int kIdleLimitMs = 15000;

private:
    void acceptLoop();
    void serve(int fd);
    bool nextReply(const QByteArray& request, Reply& reply);
    bool play(int fd, const Reply& reply);
    bool pause(int ms) const;

    int listenFd_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::deque<Reply> replies_;
    Handler handler_;
    QList<QByteArray> requests_;
    int accepted_ = 0;
    std::vector<std::thread> connectionThreads_;
};

} // namespace kelvane::test
