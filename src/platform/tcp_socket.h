#pragma once

#include "platform/byte_stream.h"
#include "platform/deadline.h"

#include <QByteArrayView>
#include <QString>

namespace kelvane::platform {

// A blocking TCP client connection. Failures raise ESocketError with the system's error number.
class TcpSocket final : public platform::ByteStream {
public:
    TcpSocket() = default;
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves the host (IPv4, unless an IPv6 literal in square brackets) and connects. Neither
    // step outlasts the deadline: past it, EReadTimeout.
    void connectTo(const QString& host, quint16 port, const Deadline& deadline = {});
    bool isOpen() const override { return fd_ >= 0; }
    void close() override;

    // Past the deadline, EReadTimeout (a peer that stops reading cannot hold the sender).
    void sendAll(QByteArrayView data, const Deadline& deadline = {}) override;
    // Waits until data or the peer's close can be read; timeoutMs <= 0 waits without limit.
    // False when the time ran out first.
    bool waitReadable(int timeoutMs) override;
    // Reads what is there (after waitReadable), at most maxBytes; 0 means the peer closed.
    qsizetype readSome(char* buffer, qsizetype maxBytes) override;
    // True when the peer has closed its side and nothing is left to read: a kept-alive
    // connection that must not be reused.
    bool peerHasClosed() override;
    // The socket itself, for TLS to run over; -1 when closed.
    int nativeHandle() const { return fd_; }

    QString peerHost() const { return host_; }
    quint16 peerPort() const { return port_; }

private:
    int fd_ = -1;
    QString host_;
    quint16 port_ = 0;
};

} // namespace kelvane::platform
