#include "net/idhttp.h"

#include "net/http_chunked.h"
#include "net/http_connection.h"
#include "net/http_cookies.h"
#include "net/http_request.h"
#include "net/http_response_head.h"
#include "net/http_url.h"
#include "platform/memory_advice.h"
#include "platform/text_codec.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <limits>

namespace kelvane {

namespace {

// A redirect's own body gets this long to start before it is given up.
constexpr int kRedirectBodyWaitMs = 5000;
// Responses that carry no body (204, 1xx, 304): stray bytes within this window are read.
constexpr int kNoBodyWindowMs = 100;
// Hostile servers must not make the head, the interim responses or an error body unbounded.
constexpr qsizetype kMaxHeaderLines = 10000;
constexpr qsizetype kMaxHeadBytes = 4 * 1024 * 1024;
constexpr int kMaxInterimResponses = 1000;
constexpr qint64 kMaxErrorBodyKept = 1024 * 1024;
// Never reserve more than this up front, whatever Content-Length claims.
constexpr qint64 kMaxReserve = 128 * 1024 * 1024;
constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();
constexpr qsizetype kPiece = 256 * 1024;

// Where body bytes go: into out while fewer than keep are kept, into a scratch buffer after.
class BodySink {
public:
    BodySink(QByteArray& out, qint64 keep) : out_(out), keep_(keep) {}

    // Reads up to n bytes; fewer when the peer closes first.
    qint64 take(HttpConnection& connection, qint64 n, int timeoutMs) {
        qint64 got = 0;
        while (got < n) {
            const qint64 want = n - got;
            qsizetype read;
            if (kept_ < keep_) {
                read = connection.readSome(out_, static_cast<qsizetype>(qMin(want, keep_ - kept_)),
                                           timeoutMs);
                kept_ += read;
            } else {
                read = connection.readSome(
                    scratch_, static_cast<qsizetype>(qMin<qint64>(want, kPiece)), timeoutMs);
                scratch_.resize(0);
            }
            if (read == 0)
                break;
            got += read;
        }
        return got;
    }

private:
    QByteArray& out_;
    qint64 keep_;
    qint64 kept_ = 0;
    QByteArray scratch_;
};

bool expectsBody(const IdHTTPResponse& head) {
    return http::isChunked(head) || http::contentLength(head) != 0;
}

void readBody(HttpConnection& connection, const IdHTTPResponse& head, BodySink& sink,
              int timeoutMs) {
    if (http::isChunked(head)) {
        for (;;) {
            const qint64 size = http::parseChunkSize(connection.readLine(timeoutMs));
            if (size <= 0)
                break;
            if (sink.take(connection, size, timeoutMs) < size)
                throw EConnClosedGracefully();
            connection.readLine(timeoutMs);
        }
        connection.readLine(timeoutMs);
        return;
    }
    const qint64 length = http::contentLength(head);
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
        if (sink.take(connection, kPiece, left) == 0)
            return;
    }
}

IdHTTPResponse readHead(HttpConnection& connection, int timeoutMs) {
    QList<QString> lines;
    try {
        lines.append(http::headLineText(connection.readLine(timeoutMs)));
    } catch (const EReadTimeout&) {
        // A status line that never comes counts as an empty one.
        return http::parseResponseHead({QString()});
    }
    // An empty status line is the whole head.
    qsizetype bytes = lines.first().size();
    while (!lines.first().isEmpty()) {
        const QByteArray line = connection.readLine(timeoutMs);
        if (line.isEmpty())
            break;
        bytes += line.size();
        if (lines.size() > kMaxHeaderLines || bytes > kMaxHeadBytes)
            throw KelvaneError(QStringLiteral("Too many response headers (more than %1 lines "
                                              "or %2 bytes).")
                                   .arg(kMaxHeaderLines)
                                   .arg(kMaxHeadBytes));
        lines.append(http::headLineText(line));
    }
    return http::parseResponseHead(lines);
}

quint16 portOf(const http::Url& target) {
    if (target.scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        throw KelvaneError(QStringLiteral("IOHandler value is not valid"));
    if (target.port.isEmpty())
        throw KelvaneError(QStringLiteral("Unknown Protocol"));
    bool ok = false;
    const uint port = target.port.toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        throw KelvaneError(QStringLiteral("Invalid Port Number: ") + target.port);
    return static_cast<quint16>(port);
}

} // namespace

TIdHTTP::TIdHTTP() = default;

TIdHTTP::~TIdHTTP() = default;

void TIdHTTP::GetToStream(const QString& url, QByteArray& stream) {
    const qsizetype start = stream.size();
    http::Url target = http::parseUrl(url);
    int redirects = 0;
    bool closeAtEnd = false;
    if (!connection_)
        connection_ = std::make_unique<HttpConnection>();
    HttpConnection& connection = *connection_;

    // The error of a final status the exchange does not accept, after reading its body.
    const auto statusError = [&](bool bodyExpected) {
        QByteArray body;
        BodySink sink(body, kMaxErrorBodyKept);
        if (bodyExpected)
            readBody(connection, response_, sink, ReadTimeout);
        else
            readStray(connection, sink, kNoBodyWindowMs);
        return EIdHTTPProtocolException(response_.statusLine, response_.ResponseCode,
                                        text::fromStringBody(body, response_.ContentType()));
    };

    try {
        for (;;) {
            const quint16 port = portOf(target);
            url_ = http::toString(target);
            Request.AcceptEncoding = http::withIdentity(Request.AcceptEncoding);
            if (connection.isOpen() &&
                (!connection.isOpenTo(target.host, port) || connection.peerHasClosed()))
                connection.close();
            if (!connection.isOpen())
                connection.open(target.host, port);

            if (!cookies_)
                cookies_ = std::make_unique<CookieStore>();
            const QString requestPath = target.path + target.document;
            http::GetRequest request;
            request.target = http::requestTarget(target);
            request.host = http::hostValue(target);
            request.accept = Request.Accept;
            request.acceptEncoding = Request.AcceptEncoding;
            request.userAgent = Request.UserAgent;
            request.cookie =
                cookies_->cookieHeader(target.host, requestPath, QDateTime::currentDateTimeUtc());
            connection.send(http::buildGetRequest(request));

            for (int interim = 0;; ++interim) {
                response_ = readHead(connection, ReadTimeout);
                cookies_->storeFrom(response_, target.host, requestPath,
                                    QDateTime::currentDateTimeUtc());
                if (response_.ResponseCode != 100)
                    break;
                if (interim >= kMaxInterimResponses)
                    throw KelvaneError(QStringLiteral("Too many interim responses."));
            }
            closeAtEnd = http::asksToClose(response_);
            const int code = response_.ResponseCode;
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
                        BodySink discard(none, 0);
                        readBody(connection, response_, discard, ReadTimeout);
                    } else {
                        connection.close();
                    }
                }
                if (closeAtEnd)
                    connection.close();
                stream.truncate(start);
                if (redirects >= RedirectMaximum)
                    return;
                target = http::resolveLocation(target, location);
                continue;
            }

            if (code >= 200 && code < 300) {
                BodySink sink(stream, kUnlimited);
                if (code == 204) {
                    readStray(connection, sink, kNoBodyWindowMs);
                } else {
                    const qint64 length = http::contentLength(response_);
                    if (length > 0 && !http::isChunked(response_)) {
                        stream.reserve(start + static_cast<qsizetype>(qMin(length, kMaxReserve)));
                        adviseLargeBuffer(stream.data(), stream.capacity());
                    }
                    readBody(connection, response_, sink, ReadTimeout);
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
    return text::fromStringBody(body, response_.ContentType());
}

} // namespace kelvane
