#include "net/http_connection.h"

#include "platform/errors.h"
#include "platform/memory_advice.h"

#include <cerrno>
#include <cstring>

namespace kelvane::net {

namespace {

// Bytes asked of the socket per read, for the head buffer and for bodies alike.
constexpr qsizetype kReadPiece = 256 * 1024;

} // namespace

void HttpConnection::open(const net::Endpoint& endpoint,
                          const platform::ExchangeSettings& settings) {
    close();
    net::OpenedStream opened = net::openStream(endpoint, settings, deadline_);
    stream_ = std::move(opened.stream);
    viaHttpProxy_ = opened.viaHttpProxy;
    proxyCredentials_ = opened.proxyCredentials;
    received_ = 0;
    endpoint_ = endpoint;
}

bool HttpConnection::isOpenTo(const net::Endpoint& endpoint) const {
    return isOpen() && endpoint_.port == endpoint.port && endpoint_.tls == endpoint.tls &&
           endpoint_.host.compare(endpoint.host, Qt::CaseInsensitive) == 0;
}

bool HttpConnection::peerHasClosed() {
    if (!isOpen() || eof_)
        return true;
    return buffered() == 0 && stream_->peerHasClosed();
}

platform::ByteStream& HttpConnection::stream() {
    if (!stream_)
        throw platform::ESocketError(ENOTCONN, QString::fromLocal8Bit(std::strerror(ENOTCONN)));
    return *stream_;
}

void HttpConnection::close() {
    stream_.reset();
    buffer_.clear();
    start_ = 0;
    eof_ = false;
}

void HttpConnection::send(QByteArrayView bytes) {
    stream().sendAll(bytes, deadline_);
}

int HttpConnection::waitLimit(int timeoutMs) const {
    const int limit = deadline_.waitMs(timeoutMs);
    if (limit == 0)
        throw platform::EReadTimeout();
    return limit;
}

bool HttpConnection::waitForData(int timeoutMs) {
    if (buffered() > 0 || eof_)
        return true;
    if (stream().waitReadable(waitLimit(timeoutMs)))
        return true;
    if (deadline_.hasPassed())
        throw platform::EReadTimeout();
    return false;
}

bool HttpConnection::fill(int timeoutMs) {
    if (eof_)
        return false;
    if (!stream().waitReadable(waitLimit(timeoutMs)))
        throw platform::EReadTimeout();
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > kReadPiece) {
        buffer_.remove(0, start_);
        start_ = 0;
    }
    const qsizetype before = buffer_.size();
    buffer_.resize(before + kReadPiece);
    qsizetype got = 0;
    try {
        got = stream().readSome(buffer_.data() + before, kReadPiece);
    } catch (...) {
        buffer_.resize(before); // never leave unread room as if it had arrived
        throw;
    }
    buffer_.resize(before + got);
    received_ += got;
    if (got == 0)
        eof_ = true;
    return got > 0;
}

QByteArray HttpConnection::readLine(int timeoutMs) {
    qsizetype scanned = 0;
    for (;;) {
        const char* begin = buffer_.constData() + start_;
        const void* lf =
            std::memchr(begin + scanned, '\n', static_cast<size_t>(buffered() - scanned));
        if (lf) {
            qsizetype length = static_cast<const char*>(lf) - begin;
            const qsizetype consumed = length + 1;
            if (length > 0 && begin[length - 1] == '\r')
                --length;
            if (length > kMaxLineLength)
                throw platform::KelvaneError(QStringLiteral("Max line length exceeded."));
            QByteArray line(begin, length);
            start_ += consumed;
            return line;
        }
        scanned = buffered();
        // One byte of slack for the CR before the LF.
        if (scanned > kMaxLineLength + 1)
            throw platform::KelvaneError(QStringLiteral("Max line length exceeded."));
        if (!fill(timeoutMs)) {
            if (buffered() == 0)
                throw platform::EConnClosedGracefully();
            QByteArray line(buffer_.constData() + start_, buffered());
            start_ = buffer_.size();
            return line;
        }
    }
}

qsizetype HttpConnection::readSome(QByteArray& out, qsizetype maxBytes, int timeoutMs) {
    if (maxBytes <= 0)
        return 0;
    if (buffered() > 0) {
        const qsizetype n = qMin(buffered(), maxBytes);
        out.append(buffer_.constData() + start_, n);
        start_ += n;
        return n;
    }
    if (eof_)
        return 0;
    if (!stream().waitReadable(waitLimit(timeoutMs)))
        throw platform::EReadTimeout();
    // Straight into the caller's array: no copy through the head buffer.
    const qsizetype piece = qMin(maxBytes, kReadPiece);
    const qsizetype before = out.size();
    if (out.capacity() - before < piece) {
        out.reserve(before + qMax(piece, before)); // doubling keeps appends amortised
        platform::adviseLargeBuffer(out.data(), out.capacity());
    }
    out.resize(before + piece);
    qsizetype got = 0;
    try {
        got = stream().readSome(out.data() + before, piece);
    } catch (...) {
        // A reset must not leave the caller's stream holding bytes that never arrived.
        out.resize(before);
        throw;
    }
    out.resize(before + got);
    received_ += got;
    if (got == 0)
        eof_ = true;
    return got;
}

} // namespace kelvane::net
