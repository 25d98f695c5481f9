#pragma once

#include "platform/byte_stream.h"
#include "platform/errors.h"
#include "platform/tcp_socket.h"

#include <QString>
#include <memory>

struct ssl_st;

namespace kelvane::platform {

// A TLS connection that could not be set up: the certificate failed a check or the handshake
// broke. Each kind has its own text; there is no way to switch the checks off.
class ETlsError : public KelvaneError {
public:
    enum class Kind {
        UnknownIssuer, // no trusted authority vouches for the certificate
        NameMismatch,  // the certificate names another host
        Expired,       // outside its validity period
        Rejected,      // any other certificate fault
        Handshake,     // the handshake itself failed
        CaFile,        // the CA file of the settings cannot be read
    };
    ETlsError(Kind kind, const QString& message) : KelvaneError(message), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

// What a TLS client trusts: the system's CA store, plus the certificates of caFile when set.
struct TlsTrust {
    QString caFile;
};

// TLS 1.2 or later over a connected TCP socket: server name indication, the peer's certificate
// checked against the trusted authorities and against the host name (or IP address).
class TlsStream final : public ByteStream {
public:
    // Takes over the socket and runs the handshake for `host` (a name, an IPv4 address or a
    // bracketed IPv6 address); the deadline bounds it (past it, EReadTimeout).
    static std::unique_ptr<TlsStream> connect(std::unique_ptr<TcpSocket> transport,
                                              const QString& host, const TlsTrust& trust,
                                              const Deadline& deadline);
    ~TlsStream() override;
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    bool isOpen() const override;
    void close() override;
    void sendAll(QByteArrayView data, const Deadline& deadline) override;
    bool waitReadable(int timeoutMs) override;
    qsizetype readSome(char* buffer, qsizetype maxBytes) override;
    bool peerHasClosed() override;

    // The protocol agreed on, such as "TLSv1.3".
    QString protocol() const;

private:
    TlsStream(std::unique_ptr<TcpSocket> transport, ssl_st* ssl);
    // Repeats an OpenSSL call while it asks to wait for the socket, until `deadline`; returns its
    // final result, with sslError set when that is not success, or -2 when the time ran out.
    template <typename Call> int drive(Call call, const Deadline& deadline, int& sslError);
    [[noreturn]] void raise(int sslError);

    std::unique_ptr<TcpSocket> transport_;
    ssl_st* ssl_ = nullptr;
    bool eof_ = false;
    // After a fatal error OpenSSL must not be asked to send close_notify.
    bool broken_ = false;
};

} // namespace kelvane::platform
