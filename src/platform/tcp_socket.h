#pragma once

#include "platform/deadline.h"

#include <QByteArrayView>
#include <QString>

namespace kelvane {

// A blocking TCP client connection. Failures raise ESocketError with the system's error number.
class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves the host (IPv4, unless an IPv6 literal in square brackets) and connects. Neither
    // step outlasts the deadline: past it, EReadTimeout.
    void connectTo(const QString& host, quint16 port, const Deadline& deadline = {});
    bool isOpen() const { return fd_ >= 0; }
    void close();

    // Past the deadline, EReadTimeout (a peer that stops reading cannot hold the sender).
    void sendAll(QByteArrayView data, const Deadline& deadline = {});
    // Sends what the socket takes without waiting: the bytes taken, 0 when it takes none now.
    qsizetype sendSome(QByteArrayView data);
    // Waits until sendSome can take bytes; timeoutMs <= 0 waits without limit. False when the
    // time ran out first.
    bool waitWritable(int timeoutMs);
    // Waits until data or the peer's close can be read; timeoutMs <= 0 waits without limit.
    // False when the time ran out first.
    bool waitReadable(int timeoutMs);
    // Reads what is there (after waitReadable), at most maxBytes; 0 means the peer closed.
    qsizetype readSome(char* buffer, qsizetype maxBytes);
    // True when the peer has closed its side and nothing is left to read: a kept-alive
    // connection that must not be reused.
    bool peerHasClosed();

    QString peerHost() const { return host_; }
    quint16 peerPort() const { return port_; }

private:
    int fd_ = -1;
    QString host_;
    quint16 port_ = 0;
};

} // namespace kelvane
