#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kelvane::test {

// An SMTP peer on 127.0.0.1 and a free port, on a thread of the test. It greets, answers each
// command line by the first rule whose prefix matches, reads the message after a 354 reply up to
// the "." line, and records every byte it received. Defaults answer a plain session with
// success; rules replace them. Every wait is bounded, so a client that misbehaves fails the
// test instead of hanging it.
class ScriptedSmtpPeer {
public:
    // Text that closes the connection instead of replying.
    static inline const QByteArray kClose = QByteArrayLiteral("<close>");
    // The prefix that matches the end of message data.
    static inline const QByteArray kEndOfData = QByteArrayLiteral(".");

    explicit ScriptedSmtpPeer(QByteArray greeting = "220 peer.test ESMTP ready\r\n");
    ~ScriptedSmtpPeer();
    ScriptedSmtpPeer(const ScriptedSmtpPeer&) = delete;
    ScriptedSmtpPeer& operator=(const ScriptedSmtpPeer&) = delete;

    // Answers commands that begin with `prefix` (case-sensitive) with `reply` (raw bytes, CR LF
    // included), `times` times (-1: always). Rules added later are tried first. Call before the
    // client connects.
    void on(const QByteArray& prefix, const QByteArray& reply, int times = -1);

    quint16 port() const { return port_; }
    // Waits (at most timeoutMs) until the client has closed or the peer has hung up.
    bool waitForHangUp(int timeoutMs = 5000);
    // Everything received so far, on all connections.
    QByteArray received() const;
    // The command lines received (message data left out), without CR LF.
    QByteArrayList commands() const;
    // The message data of each transaction, from after DATA's reply to the "." line included.
    QByteArrayList messages() const;

private:
    struct Rule {
        QByteArray prefix;
        QByteArray reply;
        int times;
    };

    void run();
    void serve(int fd);
    QByteArray replyFor(const QByteArray& line);

    QByteArray greeting_;
    int listenFd_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable hungUp_;
    int connectionsDone_ = 0;
    QList<Rule> rules_;
    QByteArray received_;
    QByteArrayList commands_;
    QByteArrayList messages_;
    std::thread thread_;
};

} // namespace kelvane::test
