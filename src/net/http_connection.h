#pragma once

#include "net/stream_opener.h"
#include "platform/byte_stream.h"
#include "platform/exchange_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace kelvane::net {

// One client connection with a read buffer: lines for the head, pieces for the body. Every
// wait lasts at most timeoutMs (<= 0: no limit) and never past the exchange's deadline, then
// raises EReadTimeout.
class HttpConnection {
public:
    // Longest status or header line, without its line end.
    static constexpr qsizetype kMaxLineLength = 16384;

    // Bounds every later wait, resolving and connecting included; a default Deadline: none.
    void setDeadline(const platform::Deadline& deadline) { deadline_ = deadline; }
    bool deadlineHasPassed() const { return deadline_.hasPassed(); }

    // Directly, through the settings' proxy, and over TLS as the endpoint and settings say.
    void open(const net::Endpoint& endpoint, const platform::ExchangeSettings& settings);
    bool isOpen() const { return stream_ && stream_->isOpen(); }
    bool isOpenTo(const net::Endpoint& endpoint) const;
    // Plain http through an HTTP proxy: requests carry the absolute URL and these credentials.
    bool viaHttpProxy() const { return viaHttpProxy_; }
    const QString& proxyCredentials() const { return proxyCredentials_; }
    // The peer closed its side and nothing is left to read.
    bool peerHasClosed();
    void close();
    // Bytes that arrived since the connection was opened.
    qint64 bytesReceived() const { return received_; }

    void send(QByteArrayView bytes);

    // The next line up to LF, LF and a CR before it removed. Raises EConnClosedGracefully when
    // the peer closes before any byte of the line, and "Max line length exceeded." past
    // kMaxLineLength. A last line cut off by the close is returned as it is.
    QByteArray readLine(int timeoutMs);

    // Waits until a byte or the peer's close can be read; false when timeoutMs ran out, and
    // EReadTimeout when the deadline did.
    bool waitForData(int timeoutMs);
    // Appends what arrives in one wait, at most maxBytes; 0 when the peer has closed.
    qsizetype readSome(QByteArray& out, qsizetype maxBytes, int timeoutMs);

private:
    // The open stream; ESocketError when there is none.
    platform::ByteStream& stream();
    // Reads more into the buffer after one wait; false when the peer closed.
    bool fill(int timeoutMs);
    // The wait a per-wait limit leaves under the deadline; EReadTimeout when nothing is left.
    int waitLimit(int timeoutMs) const;
    qsizetype buffered() const { return buffer_.size() - start_; }

    std::unique_ptr<platform::ByteStream> stream_;
    platform::Deadline deadline_;
    net::Endpoint endpoint_;
    bool viaHttpProxy_ = false;
    QString proxyCredentials_;
    QByteArray buffer_;
    qsizetype start_ = 0;
    bool eof_ = false;
    qint64 received_ = 0;
};

} // namespace kelvane::net
