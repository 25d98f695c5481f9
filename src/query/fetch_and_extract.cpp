#include "query/fetch_and_extract.h"

#include "net/idhttp.h"
#include "platform/errors.h"
#include "platform/regexp.h"
#include "platform/text_codec.h"
#include "query/last_pages.h"
#include "query/strip_tokens.h"

namespace kelvane {

PageText BaiduLastPage;
PageText GoogleLastPage;

QString DecodePage(const QByteArray& body, FetchMode mode, const QString& contentType) {
    return mode == FetchMode::Stream ? text::fromAnsi(body)
                                     : text::fromCharsetText(body, contentType);
}

namespace {

// The body and its Content-Type, from a fresh client set by the options.
QByteArray fetchBody(const QString& url, const ProbeRequestOptions& options, QString& contentType) {
    TIdHTTP http;
    if (options.userAgent)
        http.Request.UserAgent = *options.userAgent;
    if (options.followRedirects)
        http.HandleRedirects = true;
    if (options.readTimeoutMs)
        http.ReadTimeout = *options.readTimeoutMs;
    QByteArray body;
    http.GetToStream(url, body);
    contentType = http.Response().ContentType();
    return body;
}

} // namespace

QString FetchPage(const QString& url, FetchMode mode, const ProbeRequestOptions& options) {
    QString contentType;
    const QByteArray body = fetchBody(url, options, contentType);
    return DecodePage(body, mode, contentType);
}

PageText FetchPageText(const QString& url, FetchMode mode, const ProbeRequestOptions& options) {
    QString contentType;
    const QByteArray body = fetchBody(url, options, contentType);
    return PageText::fromUtf8(mode == FetchMode::Stream
                                  ? text::ansiToUtf8(body)
                                  : text::charsetTextToUtf8(body, contentType));
}

FetchOutcome FallbackFor(const std::exception& error, const QString& fallback) {
    FetchOutcome outcome{fallback, FallbackReason::OtherError, 0, {}};
    if (const auto* known = dynamic_cast<const KelvaneError*>(&error))
        outcome.errorMessage = known->message();
    else
        outcome.errorMessage = QString::fromLocal8Bit(error.what());
    if (const auto* status = dynamic_cast<const EIdHTTPProtocolException*>(&error)) {
        outcome.reason = FallbackReason::HttpStatus;
        outcome.httpStatus = status->ErrorCode();
    } else if (dynamic_cast<const EReadTimeout*>(&error)) {
        outcome.reason = FallbackReason::TimedOut;
    } else if (dynamic_cast<const ESocketError*>(&error) ||
               dynamic_cast<const EConnClosedGracefully*>(&error)) {
        outcome.reason = FallbackReason::NoConnection;
    } else if (dynamic_cast<const EIdHTTPBodyTooLarge*>(&error)) {
        outcome.reason = FallbackReason::TooLarge;
    } else if (dynamic_cast<const EMatcherError*>(&error)) {
        outcome.reason = FallbackReason::MatcherFailure;
    }
    return outcome;
}

namespace {

// Fetches and matches; raises whatever the exchange or the matcher raises.
FetchOutcome fetchAndMatch(const FetchRequest& request) {
    const PageText page = FetchPageText(request.url, request.mode, request.options);
    if (request.keep)
        *request.keep = page;

    TRegExp matcher;
    matcher.setPattern(request.pattern);
    const QList<RegExpMatch> matches = matcher.Execute(page);
    if (matches.isEmpty())
        return {request.fallback, FallbackReason::NoMatch, 0, {}};
    const QString value = StripTokens(matches.last().value, request.tokens);
    if (value.isEmpty())
        return {request.fallback, FallbackReason::EmptyAfterCut, 0, {}};
    return {value, FallbackReason::None, 0, {}};
}

} // namespace

FetchOutcome FetchAndExtractOutcome(const FetchRequest& request, const EventPump& pump) {
    FetchOutcome outcome;
    try {
        outcome = fetchAndMatch(request);
    } catch (const std::exception& error) {
        outcome = FallbackFor(error, request.fallback);
    }
    if (request.pumpAtEnd && pump)
        pump();
    return outcome;
}

QString FetchAndExtract(const FetchRequest& request, const EventPump& pump) {
    return FetchAndExtractOutcome(request, pump).value;
}

} // namespace kelvane
