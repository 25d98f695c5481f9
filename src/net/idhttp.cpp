#include "net/idhttp.h"

#include "net/http_chunked.h"
#include "net/http_connection.h"
#include "net/http_cookies.h"
#include "net/http_request.h"
#include "net/http_response_head.h"
#include "net/http_url.h"
#include "net/proxy_errors.h"
#include "platform/host_config.h"
#include "platform/memory_advice.h"
#include "platform/text_codec.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <limits>

namespace kelvane::net {

namespace {

// A redirect's own body gets this long to start before it is given up.
constexpr int kRedirectBodyWaitMs = 5000;
// Responses that carry no body (204, 1xx, 304): stray bytes within this window are read.
constexpr int kNoBodyWindowMs = 100;
// Hostile servers must not make the head, the interim responses or an error body unbounded.
constexpr qsizetype kMaxHeaderLines = 10000;
constexpr qsizetype kMaxHeadBytes = 4 * 1024 * 1024;
constexpr int kMaxInterimResponses = 1000;
// Error and redirect bodies: read this far, then the connection is dropped.
constexpr qint64 kMaxSideBody = 1024 * 1024;
// Never reserve more than this up front, whatever Content-Length claims.
constexpr qint64 kMaxReserve = 128 * 1024 * 1024;
constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();
constexpr qsizetype kPiece = 256 * 1024;

// Where body bytes go: into out while fewer than keep are kept, into a scratch buffer after.
// Past limit bytes in all it stops reading and says so.
class BodySink {
public:
    BodySink(QByteArray& out, qint64 keep, qint64 limit = kUnlimited)
        : out_(out), keep_(keep), limit_(limit) {}

    // Reads up to n bytes; fewer when the peer closes first or the limit is passed.
    qint64 take(HttpConnection& connection, qint64 n, int timeoutMs) {
        qint64 got = 0;
        while (got < n && !overLimit()) {
            const qsizetype read = takeSome(connection, n - got, timeoutMs);
            if (read == 0)
                break;
            got += read;
        }
        return got;
    }

    // Reads what one wait brings, at most want bytes (and one beyond the limit, which tells a
    // body that is too long from one that fits); 0 when the peer has closed.
    qsizetype takeSome(HttpConnection& connection, qint64 want, int timeoutMs) {
        const qint64 room = limit_ - taken_;
        if (room < want)
            want = room + 1;
        qsizetype read;
        if (kept_ < keep_) {
            read = connection.readSome(out_, static_cast<qsizetype>(qMin(want, keep_ - kept_)),
                                       timeoutMs);
            kept_ += read;
        } else {
            read = connection.readSome(scratch_, static_cast<qsizetype>(qMin<qint64>(want, kPiece)),
                                       timeoutMs);
            scratch_.resize(0);
        }
        taken_ += read;
        return read;
    }

    bool overLimit() const { return taken_ > limit_; }

private:
    QByteArray& out_;
    qint64 keep_;
    qint64 limit_;
    qint64 kept_ = 0;
    qint64 taken_ = 0;
    QByteArray scratch_;
};

bool expectsBody(const IdHTTPResponse& head) {
    return isChunked(head) || contentLength(head) != 0;
}

void readBody(HttpConnection& connection, const IdHTTPResponse& head, BodySink& sink,
              int timeoutMs) {
    if (isChunked(head)) {
        for (;;) {
            const qint64 size = parseChunkSize(connection.readLine(timeoutMs));
            if (size <= 0)
                break;
            if (sink.take(connection, size, timeoutMs) < size) {
                if (sink.overLimit())
                    return;
                throw platform::EConnClosedGracefully();
            }
            connection.readLine(timeoutMs);
        }
        connection.readLine(timeoutMs);
        return;
    }
    const qint64 length = contentLength(head);
    if (length == 0)
        return;
    // A short body is kept as it came: no error when the server closes early.
    sink.take(connection, length > 0 ? length : kUnlimited, timeoutMs);
}

// Reads whatever arrives within the window, for responses that should carry no body.
void readStray(HttpConnection& connection, BodySink& sink, int windowMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const int left = windowMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || !connection.waitForData(left))
            return;
        // One read per wait: the window, not a byte count, ends the stray bytes.
        if (sink.takeSome(connection, kPiece, left) == 0 || sink.overLimit())
            return;
    }
}

IdHTTPResponse readHead(HttpConnection& connection, int timeoutMs) {
    QList<QString> lines;
    try {
        lines.append(headLineText(connection.readLine(timeoutMs)));
    } catch (const platform::EReadTimeout&) {
        // A status line that never comes within its wait counts as an empty one; the end of
        // the exchange's deadline ends the exchange.
        if (connection.deadlineHasPassed())
            throw;
        return parseResponseHead({QString()});
    }
    // An empty status line is the whole head.
    qsizetype bytes = lines.first().size();
    while (!lines.first().isEmpty()) {
        const QByteArray line = connection.readLine(timeoutMs);
        if (line.isEmpty())
            break;
        bytes += line.size();
        if (lines.size() > kMaxHeaderLines || bytes > kMaxHeadBytes)
            throw platform::KelvaneError(
                QStringLiteral("Too many response headers (more than %1 lines "
                               "or %2 bytes).")
                    .arg(kMaxHeaderLines)
                    .arg(kMaxHeadBytes));
        lines.append(headLineText(line));
    }
    return parseResponseHead(lines);
}

// https is reached where the user chose it: a [hosts] value written "https://", or anywhere
// once [network] https is on. Elsewhere it fails as it always has.
net::Endpoint endpointOf(const Url& target, bool followHttps) {
    const bool https = target.scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    if (!https && target.port.isEmpty())
        throw platform::KelvaneError(QStringLiteral("Unknown Protocol"));
    bool ok = false;
    const uint port = target.port.toUInt(&ok);
    if (https &&
        (!ok || port == 0 || port > 65535 ||
         (!followHttps && !platform::isTlsOrigin(target.host, static_cast<quint16>(port)))))
        throw platform::KelvaneError(QStringLiteral("IOHandler value is not valid"));
    if (!ok || port == 0 || port > 65535)
        throw platform::KelvaneError(QStringLiteral("Invalid Port Number: ") + target.port);
    return {target.host, static_cast<quint16>(port), https};
}

// The deadline bounds one exchange only: the connection may serve the next one.
class ExchangeDeadline {
public:
    ExchangeDeadline(HttpConnection& connection, qint64 deadlineMs) : connection_(connection) {
        connection_.setDeadline(platform::Deadline::after(deadlineMs));
    }
    ~ExchangeDeadline() { connection_.setDeadline({}); }
    ExchangeDeadline(const ExchangeDeadline&) = delete;
    ExchangeDeadline& operator=(const ExchangeDeadline&) = delete;

private:
    HttpConnection& connection_;
};

// A kept-alive connection the server dropped before answering: the request never reached it.
bool droppedBeforeAnswer(HttpConnection& connection, qint64 receivedBefore,
                         const std::exception& error) {
    return connection.bytesReceived() == receivedBefore &&
           (dynamic_cast<const platform::EConnClosedGracefully*>(&error) ||
            dynamic_cast<const platform::ESocketError*>(&error));
}

} // namespace

TIdHTTP::TIdHTTP() = default;

TIdHTTP::~TIdHTTP() = default;

void TIdHTTP::GetToStream(const QString& url, QByteArray& stream) {
    const qsizetype start = stream.size();
    Url target = parseUrl(url);
    int redirects = 0;
    bool closeAtEnd = false;
    if (!connection_)
        connection_ = std::make_unique<HttpConnection>();
    HttpConnection& connection = *connection_;
    const ExchangeDeadline deadline(connection, Exchange.deadlineMs);
    const qint64 maxBody = Exchange.maxBodyBytes > 0 ? Exchange.maxBodyBytes : kUnlimited;

    // Reads a side body (error or redirect) up to its bound; past it the connection goes.
    const auto readSideBody = [&](QByteArray& body, bool bodyExpected) {
        BodySink sink(body, kMaxSideBody, kMaxSideBody);
        if (bodyExpected)
            readBody(connection, response_, sink, ReadTimeout);
        else
            readStray(connection, sink, kNoBodyWindowMs);
        if (sink.overLimit())
            connection.close();
    };
    // The error of a final status the exchange does not accept, after reading its body.
    const auto statusError = [&](bool bodyExpected) {
        QByteArray body;
        readSideBody(body, bodyExpected);
        return EIdHTTPProtocolException(response_.statusLine, response_.ResponseCode,
                                        platform::fromStringBody(body, response_.ContentType()));
    };

    try {
        for (;;) {
            const net::Endpoint endpoint = endpointOf(target, Exchange.followHttps);
            url_ = toString(target);
            Request.AcceptEncoding = withIdentity(Request.AcceptEncoding);
            if (connection.isOpen() &&
                (!connection.isOpenTo(endpoint) || connection.peerHasClosed()))
                connection.close();
            const bool reused = connection.isOpen();
            if (!reused)
                connection.open(endpoint, Exchange);

            if (!cookies_)
                cookies_ = std::make_unique<CookieStore>();
            const QString requestPath = target.path + target.document;
            GetRequest request;
            request.target = requestTarget(target);
            if (connection.viaHttpProxy()) {
                request.target.prepend(QStringLiteral("http://") + hostValue(target));
                request.proxyAuthorization = connection.proxyCredentials();
            }
            request.host = hostValue(target);
            request.accept = Request.Accept;
            request.acceptEncoding = Request.AcceptEncoding;
            request.userAgent = Request.UserAgent;
            request.extraHeaders = Request.ExtraHeaders;
            request.cookie = cookies_->cookieHeader(target.host, requestPath,
                                                    QDateTime::currentDateTimeUtc(), endpoint.tls);
            const QByteArray requestBytes = buildGetRequest(request);

            const auto sendAndReadHead = [&] {
                connection.send(requestBytes);
                for (int interim = 0;; ++interim) {
                    response_ = readHead(connection, ReadTimeout);
                    cookies_->storeFrom(response_, target.host, requestPath,
                                        QDateTime::currentDateTimeUtc());
                    if (response_.ResponseCode != 100)
                        break;
                    if (interim >= kMaxInterimResponses)
                        throw platform::KelvaneError(QStringLiteral("Too many interim responses."));
                }
            };
            const qint64 receivedBefore = connection.bytesReceived();
            try {
                sendAndReadHead();
            } catch (const platform::KelvaneError& error) {
                // A GET is idempotent: once more on a fresh connection (RFC 9112, 9.3.1).
                if (!reused || !droppedBeforeAnswer(connection, receivedBefore, error))
                    throw;
                connection.open(endpoint, Exchange);
                sendAndReadHead();
            }
            closeAtEnd = asksToClose(response_);
            const int code = response_.ResponseCode;
            if (code == 407 && connection.viaHttpProxy())
                throw net::EProxyLoginRefused(Exchange.proxy.host + u':' +
                                              QString::number(Exchange.proxy.port));
            const QString location = response_.header(QStringLiteral("Location"));

            if ((code >= 300 && code < 400 && code != 304) || !location.isEmpty()) {
                ++redirects;
                if (!HandleRedirects)
                    throw statusError(true);
                if (expectsBody(response_) && !connection.peerHasClosed()) {
                    const int firstWait = ReadTimeout > 0 ? qMin(ReadTimeout, kRedirectBodyWaitMs)
                                                          : kRedirectBodyWaitMs;
                    if (connection.waitForData(firstWait)) {
                        QByteArray none;
                        readSideBody(none, true);
                    } else {
                        connection.close();
                    }
                }
                if (closeAtEnd)
                    connection.close();
                stream.truncate(start);
                if (redirects >= RedirectMaximum)
                    return;
                target = resolveLocation(target, percentEncodeHighBytes(location));
                continue;
            }

            if (code >= 200 && code < 300) {
                BodySink sink(stream, kUnlimited, maxBody);
                if (code == 204) {
                    // A 204 has no body: whatever follows it is read off the wire and dropped.
                    QByteArray none;
                    BodySink discard(none, 0);
                    readStray(connection, discard, kNoBodyWindowMs);
                } else {
                    const qint64 length = contentLength(response_);
                    if (length > 0 && !isChunked(response_)) {
                        const qint64 reserve = qMin(qMin(length, kMaxReserve), maxBody);
                        stream.reserve(start + static_cast<qsizetype>(reserve));
                        platform::adviseLargeBuffer(stream.data(), stream.capacity());
                    }
                    readBody(connection, response_, sink, ReadTimeout);
                }
                if (sink.overLimit()) {
                    connection.close();
                    stream.truncate(start);
                    stream.squeeze();
                    throw EIdHTTPBodyTooLarge(maxBody);
                }
                break;
            }
            throw statusError(code != 304 && (code < 100 || code >= 200));
        }
    } catch (const EIdHTTPProtocolException&) {
        if (closeAtEnd || connection.peerHasClosed())
            connection.close();
        throw;
    } catch (...) {
        // The connection's state is unknown after any other failure.
        connection.close();
        throw;
    }
    if (closeAtEnd || connection.peerHasClosed())
        connection.close();
}

QString TIdHTTP::GetToString(const QString& url) {
    QByteArray body;
    GetToStream(url, body);
    return platform::fromStringBody(body, response_.ContentType());
}

} // namespace kelvane::net
