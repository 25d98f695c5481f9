#include "platform/tls_stream.h"

#include "platform/cancel_token.h"

#include <QHash>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

namespace kelvane::platform {

namespace {

constexpr int kTimedOut = -2;

QString lastOpenSslText() {
    const unsigned long code = ERR_peek_last_error();
    if (code == 0)
        return QStringLiteral("the connection was closed during the handshake");
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

// One context per CA file for the whole process: loading the store is the costly part, and a
// context is safe to share once set up. The table is never destroyed: OpenSSL tears itself down
// at exit before a static table's destructor could free the contexts, and a table that stays
// reachable is not mistaken for a leak.
SSL_CTX* contextFor(const QString& caFile) {
    static std::mutex mutex;
    static auto& contexts = *new QHash<QString, SSL_CTX*>;
    std::lock_guard lock(mutex);
    if (SSL_CTX* known = contexts.value(caFile))
        return known;
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context)
        throw ETlsError(ETlsError::Kind::Handshake,
                        QStringLiteral("TLS cannot be set up: ") + lastOpenSslText());
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(context);
    // A server that closes without close_notify ends the body, as over plain TCP.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_AUTO_RETRY);
    if (!caFile.isEmpty() &&
        SSL_CTX_load_verify_locations(context, caFile.toLocal8Bit().constData(), nullptr) != 1) {
        SSL_CTX_free(context);
        ERR_clear_error();
        throw ETlsError(ETlsError::Kind::CaFile,
                        QStringLiteral("CA file %1 cannot be read.").arg(caFile));
    }
    contexts.insert(caFile, context);
    return context;
}

ETlsError certificateError(long verifyResult, const QString& host) {
    using Kind = ETlsError::Kind;
    switch (verifyResult) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return ETlsError(
            Kind::UnknownIssuer,
            QStringLiteral("Certificate of %1 is not issued by a trusted authority.").arg(host));
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return ETlsError(Kind::NameMismatch,
                         QStringLiteral("Certificate of %1 is issued for another name.").arg(host));
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return ETlsError(
            Kind::Expired,
            QStringLiteral("Certificate of %1 has expired or is not valid yet.").arg(host));
    default:
        return ETlsError(
            Kind::Rejected,
            QStringLiteral("Certificate of %1 is rejected: %2.")
                .arg(host, QString::fromLatin1(X509_verify_cert_error_string(verifyResult))));
    }
}

bool isIpAddress(const QByteArray& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.constData(), address) == 1 ||
           inet_pton(AF_INET6, host.constData(), address) == 1;
}

// Waits for the socket as OpenSSL asked; false when the deadline passed first, EStopped when
// the run was stopped.
bool waitFor(int fd, int sslError, const Deadline& deadline) {
    pollfd entry{fd, static_cast<short>(sslError == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
    const int waitMs = deadline.waitMs(-1);
    return waitMs != 0 && pollStoppable(entry, waitMs) > 0;
}

} // namespace

TlsStream::TlsStream(std::unique_ptr<TcpSocket> transport, ssl_st* ssl)
    : transport_(std::move(transport)), ssl_(ssl) {}

TlsStream::~TlsStream() {
    close();
}

std::unique_ptr<TlsStream> TlsStream::connect(std::unique_ptr<TcpSocket> transport,
                                              const QString& host, const TlsTrust& trust,
                                              const Deadline& deadline) {
    SSL* ssl = SSL_new(contextFor(trust.caFile));
    if (!ssl)
        throw ETlsError(ETlsError::Kind::Handshake,
                        QStringLiteral("TLS cannot be set up: ") + lastOpenSslText());
    const int fd = transport->nativeHandle();
    std::unique_ptr<TlsStream> stream(new TlsStream(std::move(transport), ssl));
    // Every wait below polls the socket with the time that is left.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    SSL_set_fd(ssl, fd);

    QByteArray name = host.toUtf8();
    if (name.startsWith('[') && name.endsWith(']'))
        name = name.mid(1, name.size() - 2);
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (isIpAddress(name)) {
        X509_VERIFY_PARAM_set1_ip_asc(check, name.constData());
    } else {
        // Server name indication carries names only, never addresses.
        SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, name.data());
        X509_VERIFY_PARAM_set1_host(check, name.constData(), static_cast<size_t>(name.size()));
    }

    int sslError = SSL_ERROR_NONE;
    const int result = stream->drive([ssl] { return SSL_connect(ssl); }, deadline, sslError);
    if (result == kTimedOut)
        throw EReadTimeout();
    if (result != 1) {
        stream->broken_ = true;
        const long verified = SSL_get_verify_result(ssl);
        if (verified != X509_V_OK)
            throw certificateError(verified, host);
        if (sslError == SSL_ERROR_SYSCALL && errno != 0)
            throw ESocketError(errno, QString::fromLocal8Bit(std::strerror(errno)));
        throw ETlsError(
            ETlsError::Kind::Handshake,
            QStringLiteral("TLS handshake with %1 failed: %2.").arg(host, lastOpenSslText()));
    }
    return stream;
}

template <typename Call> int TlsStream::drive(Call call, const Deadline& deadline, int& sslError) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        const int result = call();
        if (result > 0)
            return result;
        sslError = SSL_get_error(ssl_, result);
        if (sslError != SSL_ERROR_WANT_READ && sslError != SSL_ERROR_WANT_WRITE)
            return result;
        if (!waitFor(transport_->nativeHandle(), sslError, deadline))
            return kTimedOut;
    }
}

void TlsStream::raise(int sslError) {
    broken_ = true;
    if (sslError == SSL_ERROR_SYSCALL && errno != 0)
        throw ESocketError(errno, QString::fromLocal8Bit(std::strerror(errno)));
    throw ETlsError(ETlsError::Kind::Handshake, QStringLiteral("TLS error: ") + lastOpenSslText());
}

bool TlsStream::isOpen() const {
    return ssl_ != nullptr;
}

void TlsStream::close() {
    if (ssl_) {
        // One close_notify, never waited for: the peer may already be gone.
        if (!eof_ && !broken_ && SSL_is_init_finished(ssl_))
            SSL_shutdown(ssl_);
        SSL_free(ssl_);
        ssl_ = nullptr;
        ERR_clear_error();
    }
    if (transport_)
        transport_->close();
}

void TlsStream::sendAll(QByteArrayView data, const Deadline& deadline) {
    if (!ssl_)
        throw ESocketError(ENOTCONN, QString::fromLocal8Bit(std::strerror(ENOTCONN)));
    const char* next = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        int sslError = SSL_ERROR_NONE;
        size_t written = 0;
        const int result =
            drive([&] { return SSL_write_ex(ssl_, next, static_cast<size_t>(left), &written); },
                  deadline, sslError);
        if (result == kTimedOut)
            throw EReadTimeout();
        if (result <= 0)
            raise(sslError);
        next += written;
        left -= static_cast<qsizetype>(written);
    }
}

bool TlsStream::waitReadable(int timeoutMs) {
    if (!ssl_)
        throw ESocketError(ENOTCONN, QString::fromLocal8Bit(std::strerror(ENOTCONN)));
    if (eof_ || SSL_pending(ssl_) > 0)
        return true;
    // A readable socket may hold only part of a record or a session ticket: peek until a byte
    // of data, the close or an error is there.
    char probe;
    int sslError = SSL_ERROR_NONE;
    const int result =
        drive([&] { return SSL_peek(ssl_, &probe, 1); }, Deadline::after(timeoutMs), sslError);
    return result != kTimedOut;
}

qsizetype TlsStream::readSome(char* buffer, qsizetype maxBytes) {
    if (!ssl_)
        throw ESocketError(ENOTCONN, QString::fromLocal8Bit(std::strerror(ENOTCONN)));
    if (eof_)
        return 0;
    int sslError = SSL_ERROR_NONE;
    size_t got = 0;
    const int result =
        drive([&] { return SSL_read_ex(ssl_, buffer, static_cast<size_t>(maxBytes), &got); }, {},
              sslError);
    if (result > 0)
        return static_cast<qsizetype>(got);
    if (sslError == SSL_ERROR_ZERO_RETURN || (sslError == SSL_ERROR_SYSCALL && errno == 0)) {
        eof_ = true;
        return 0;
    }
    raise(sslError);
}

bool TlsStream::peerHasClosed() {
    if (!ssl_ || eof_)
        return true;
    if (SSL_pending(ssl_) > 0)
        return false;
    pollfd entry{transport_->nativeHandle(), POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0)
        return false;
    char probe;
    ERR_clear_error();
    const int result = SSL_peek(ssl_, &probe, 1);
    if (result > 0)
        return false;
    const int sslError = SSL_get_error(ssl_, result);
    return sslError != SSL_ERROR_WANT_READ && sslError != SSL_ERROR_WANT_WRITE;
}

QString TlsStream::protocol() const {
    return ssl_ ? QString::fromLatin1(SSL_get_version(ssl_)) : QString();
}

} // namespace kelvane::platform
