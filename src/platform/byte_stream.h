#pragma once

#include "platform/deadline.h"

#include <QByteArrayView>
#include <QtGlobal>

namespace kelvane::platform {

// What the HTTP connection and the SMTP client read and write through: a plain TCP connection
// or TLS over one. Failures raise errors derived from KelvaneError.
class ByteStream {
public:
    virtual ~ByteStream() = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // Past the deadline, EReadTimeout (a peer that stops reading cannot hold the sender).
    virtual void sendAll(QByteArrayView data, const Deadline& deadline) = 0;
    // Waits until data or the peer's close can be read; timeoutMs <= 0 waits without limit.
    // False when the time ran out first.
    virtual bool waitReadable(int timeoutMs) = 0;
    // Reads what is there (after waitReadable), at most maxBytes; 0 means the peer closed.
    virtual qsizetype readSome(char* buffer, qsizetype maxBytes) = 0;
    // True when the peer has closed its side and nothing is left to read: a kept-alive
    // connection that must not be reused.
    virtual bool peerHasClosed() = 0;
};

} // namespace kelvane::platform
