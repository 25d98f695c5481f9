#pragma once

#include "net/exchange_settings.h"
#include "platform/errors.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

namespace kelvane::net {

// A final status the exchange does not accept: the status line as the message.
class EIdHTTPProtocolException : public platform::KelvaneError {
public:
    EIdHTTPProtocolException(const QString& statusLine, int errorCode, QString errorText)
        : platform::KelvaneError(statusLine), errorCode_(errorCode),
          errorText_(std::move(errorText)) {}
    int ErrorCode() const noexcept { return errorCode_; }
    // The error body, decoded as GetToString decodes.
    const QString& ErrorMessage() const noexcept { return errorText_; }

private:
    int errorCode_;
    QString errorText_;
};

// A final body past the exchange's bound (ExchangeSettings::maxBodyBytes).
class EIdHTTPBodyTooLarge : public platform::KelvaneError {
public:
    explicit EIdHTTPBodyTooLarge(qint64 limit)
        : platform::KelvaneError(QStringLiteral("Response body larger than %1 bytes.").arg(limit)) {
    }
};

// The request settings a caller may change; the rest of the request is fixed.
struct IdHTTPRequest {
    QString UserAgent = QStringLiteral("Mozilla/3.0 (compatible; Indy Library)");
    QString Accept = QStringLiteral("text/html, */*");
    QString AcceptEncoding;
    // Sent after User-Agent, in order: what a browser sends that a server may look for.
    QList<QPair<QString, QString>> ExtraHeaders;

    // A header of the caller's: an Accept replaces the client's own, any other goes last.
    void addHeader(const QString& name, const QString& value) {
        if (name.compare(u"Accept", Qt::CaseInsensitive) == 0)
            Accept = value;
        else
            ExtraHeaders.append({name, value});
    }
};

// The head of the last response read.
struct IdHTTPResponse {
    QString statusLine;
    int ResponseCode = -1;
    // Header lines in arrival order, continuation lines already joined.
    QList<QPair<QString, QString>> headers;

    // The first header of that name, case-insensitively; empty when absent.
    QString header(const QString& name) const;
    QString ContentType() const { return header(QStringLiteral("Content-Type")); }
};

class HttpConnection;
class CookieStore;

// The HTTP GET client: one object per lookup, at most three settings changed, then
// GetToStream or GetToString. Every failure raises an error; the one retry is a request that
// a kept-alive connection dropped before answering, sent again on a new connection.
class TIdHTTP {
public:
    TIdHTTP();
    ~TIdHTTP();
    TIdHTTP(const TIdHTTP&) = delete;
    TIdHTTP& operator=(const TIdHTTP&) = delete;

    IdHTTPRequest Request;
    bool HandleRedirects = false;
    int RedirectMaximum = 15;
    // Milliseconds any single wait for incoming data may last; -1 or 0: no limit.
    int ReadTimeout = -1;
    // The deadline and body bound of each exchange; past the deadline it fails as a read
    // time-out does.
    platform::ExchangeSettings Exchange = net::defaultExchangeSettings();

    // Appends the final response body to the caller's stream.
    void GetToStream(const QString& url, QByteArray& stream);
    // The final response body as text: UTF-8 when its Content-Type names that charset,
    // otherwise one character per byte.
    QString GetToString(const QString& url);

    const IdHTTPResponse& Response() const { return response_; }
    // The URL the last response answered, after the redirects followed.
    const QString& URL() const { return url_; }

private:
    IdHTTPResponse response_;
    QString url_;
    std::unique_ptr<HttpConnection> connection_;
    std::unique_ptr<CookieStore> cookies_;
};

} // namespace kelvane::net
