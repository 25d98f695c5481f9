#include "query/fetch_and_extract.h"

#include "net/idhttp.h"
#include "platform/errors.h"
#include "platform/regexp.h"
#include "platform/text_codec.h"
#include "query/last_pages.h"
#include "query/strip_tokens.h"

namespace kelvane {

QString BaiduLastPage;
QString GoogleLastPage;

QString DecodePage(const QByteArray& body, FetchMode mode, const QString& contentType) {
    return mode == FetchMode::Stream ? text::fromAnsi(body)
                                     : text::fromCharsetText(body, contentType);
}

namespace {

// Fetches and matches; raises whatever the exchange or the matcher raises.
FetchOutcome fetchAndMatch(const FetchRequest& request) {
    TIdHTTP http;
    TRegExp matcher;
    if (request.options.userAgent)
        http.Request.UserAgent = *request.options.userAgent;
    if (request.options.followRedirects)
        http.HandleRedirects = true;
    if (request.options.readTimeoutMs)
        http.ReadTimeout = *request.options.readTimeoutMs;

    QString page;
    {
        QByteArray body;
        http.GetToStream(request.url, body);
        page = DecodePage(body, request.mode, http.Response().ContentType());
    }
    if (request.keep)
        *request.keep = page;

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
    } catch (const EIdHTTPProtocolException& e) {
        outcome = {request.fallback, FallbackReason::HttpStatus, e.ErrorCode(), e.message()};
    } catch (const EReadTimeout& e) {
        outcome = {request.fallback, FallbackReason::TimedOut, 0, e.message()};
    } catch (const ESocketError& e) {
        outcome = {request.fallback, FallbackReason::NoConnection, 0, e.message()};
    } catch (const EConnClosedGracefully& e) {
        outcome = {request.fallback, FallbackReason::NoConnection, 0, e.message()};
    } catch (const EMatcherError& e) {
        outcome = {request.fallback, FallbackReason::MatcherFailure, 0, e.message()};
    } catch (const KelvaneError& e) {
        outcome = {request.fallback, FallbackReason::OtherError, 0, e.message()};
    } catch (const std::exception& e) {
        outcome = {request.fallback, FallbackReason::OtherError, 0,
                   QString::fromLocal8Bit(e.what())};
    }
    if (request.pumpAtEnd && pump)
        pump();
    return outcome;
}

QString FetchAndExtract(const FetchRequest& request, const EventPump& pump) {
    return FetchAndExtractOutcome(request, pump).value;
}

} // namespace kelvane
