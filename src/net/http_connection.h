#pragma once

#include "platform/tcp_socket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kelvane {

// One client connection with a read buffer: lines for the head, pieces for the body. Every
// wait lasts at most timeoutMs (<= 0: no limit) and then raises EReadTimeout.
class HttpConnection {
public:
    // Longest status or header line, without its line end.
    static constexpr qsizetype kMaxLineLength = 16384;

    void open(const QString& host, quint16 port);
    bool isOpen() const { return socket_.isOpen(); }
    bool isOpenTo(const QString& host, quint16 port) const;
    // The peer closed its side and nothing is left to read.
    bool peerHasClosed();
    void close();

    void send(QByteArrayView bytes);

    // The next line up to LF, LF and a CR before it removed. Raises EConnClosedGracefully when
    // the peer closes before any byte of the line, and "Max line length exceeded." past
    // kMaxLineLength. A last line cut off by the close is returned as it is.
    QByteArray readLine(int timeoutMs);

    // Waits until a byte or the peer's close can be read; false when the time ran out.
    bool waitForData(int timeoutMs);
    // Appends what arrives in one wait, at most maxBytes; 0 when the peer has closed.
    qsizetype readSome(QByteArray& out, qsizetype maxBytes, int timeoutMs);

private:
    // Reads more into the buffer after one wait; false when the peer closed.
    bool fill(int timeoutMs);
    qsizetype buffered() const { return buffer_.size() - start_; }

    TcpSocket socket_;
    QString host_;
    quint16 port_ = 0;
    QByteArray buffer_;
    qsizetype start_ = 0;
    bool eof_ = false;
};

} // namespace kelvane
