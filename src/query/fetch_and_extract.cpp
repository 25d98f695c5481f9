#include "query/fetch_and_extract.h"

#include "net/http_url.h"
#include "net/idhttp.h"
#include "platform/cancel_token.h"
#include "platform/errors.h"
#include "platform/page_text.h"
#include "platform/regexp.h"
#include "platform/text_codec.h"
#include "query/block_signs.h"
#include "query/pacing.h"
#include "query/strip_tokens.h"

#include <utility>

namespace kelvane::query {

QString DecodePage(const QByteArray& body, FetchMode mode, const QString& contentType) {
    return mode == FetchMode::Stream ? platform::fromAnsi(body)
                                     : platform::fromCharsetText(body, contentType);
}

QString HostOfUrl(const QString& url) {
    return net::parseUrl(url).host;
}

void AdmitRequest(const QString& url) {
    // Nothing is sent to a placeholder host: it was never meant to be asked.
    const QString host = HostOfUrl(url);
    if (host.endsWith(QStringLiteral(".invalid"), Qt::CaseInsensitive))
        throw EHostNotConfigured(host);
    // A host that refused rests: its remaining requests end blocked, sending nothing.
    if (query::Pacer* pacer = query::currentPacer();
        pacer && !pacer->takeTurn(query::pacingHostOf(url)))
        throw EBlockedAnswer(query::kPausedDetail);
}

namespace {

// The body, with the head facts of the last answer, kept even when the exchange raises.
QByteArray fetchBody(const QString& url, const ProbeRequestOptions& options, AnswerFacts& facts,
                     QString& contentType) {
    if (options.closedYear)
        throw EServiceClosed(options.closedYear);
    AdmitRequest(url);
    net::TIdHTTP http;
    if (options.userAgent)
        http.Request.UserAgent = *options.userAgent;
    if (options.followRedirects)
        http.HandleRedirects = true;
    if (options.readTimeoutMs)
        http.ReadTimeout = *options.readTimeoutMs;
    for (const auto& [name, value] : options.headers)
        http.Request.addHeader(name, value);
    const auto keepFacts = [&] {
        facts.status = http.Response().ResponseCode;
        facts.location = http.Response().header(QStringLiteral("Location"));
        facts.url = http.URL();
    };
    QByteArray body;
    try {
        http.GetToStream(url, body);
    } catch (const net::EIdHTTPProtocolException&) {
        keepFacts();
        if (query::Pacer* pacer = query::currentPacer())
            pacer->noteAnswer(query::pacingHostOf(url), facts.status, std::nullopt);
        throw;
    }
    keepFacts();
    contentType = http.Response().ContentType();
    return body;
}

// The page as UTF-8 text, decoded piece by piece: what the matcher reads, at a third of the
// memory of bytes and UTF-16 held together.
platform::PageText decodePageText(const QByteArray& body, FetchMode mode,
                                  const QString& contentType) {
    return platform::PageText::fromUtf8(mode == FetchMode::Stream
                                            ? platform::ansiToUtf8(body)
                                            : platform::charsetTextToUtf8(body, contentType));
}

} // namespace

QString FetchPage(const QString& url, FetchMode mode, const ProbeRequestOptions& options) {
    AnswerFacts facts;
    QString contentType;
    const QByteArray body = fetchBody(url, options, facts, contentType);
    return DecodePage(body, mode, contentType);
}

platform::PageText FetchPageText(const QString& url, FetchMode mode,
                                 const ProbeRequestOptions& options) {
    AnswerFacts facts;
    QString contentType;
    const QByteArray body = fetchBody(url, options, facts, contentType);
    return decodePageText(body, mode, contentType);
}

FetchOutcome FallbackFor(const std::exception& error, const QString& fallback) {
    FetchOutcome outcome{fallback, FallbackReason::OtherError, 0, {}, {}, {}};
    if (const auto* known = dynamic_cast<const platform::KelvaneError*>(&error))
        outcome.errorMessage = known->message();
    else
        outcome.errorMessage = QString::fromLocal8Bit(error.what());
    if (const auto* status = dynamic_cast<const net::EIdHTTPProtocolException*>(&error)) {
        outcome.reason = FallbackReason::HttpStatus;
        outcome.httpStatus = status->ErrorCode();
    } else if (dynamic_cast<const platform::EStopped*>(&error)) {
        outcome.reason = FallbackReason::Stopped;
    } else if (dynamic_cast<const platform::EReadTimeout*>(&error)) {
        outcome.reason = FallbackReason::TimedOut;
    } else if (dynamic_cast<const platform::ESocketError*>(&error) ||
               dynamic_cast<const platform::EConnClosedGracefully*>(&error)) {
        outcome.reason = FallbackReason::NoConnection;
    } else if (dynamic_cast<const net::EIdHTTPBodyTooLarge*>(&error)) {
        outcome.reason = FallbackReason::TooLarge;
    } else if (dynamic_cast<const platform::EMatcherError*>(&error)) {
        outcome.reason = FallbackReason::MatcherFailure;
    } else if (dynamic_cast<const EHostNotConfigured*>(&error)) {
        outcome.reason = FallbackReason::NotConfigured;
    } else if (dynamic_cast<const EChangedPage*>(&error)) {
        outcome.reason = FallbackReason::NoMatch;
    } else if (const auto* closed = dynamic_cast<const EServiceClosed*>(&error)) {
        outcome.reason = FallbackReason::Closed;
        if (closed->year() != kClosedYearUnknown)
            outcome.detail = QString::number(closed->year());
    } else if (const auto* blocked = dynamic_cast<const EBlockedAnswer*>(&error)) {
        outcome.reason = FallbackReason::Blocked;
        outcome.detail = blocked->sign();
    }
    return outcome;
}

namespace {

FetchOutcome blockedOutcome(const FetchRequest& request, const AnswerFacts& facts,
                            const QString& sign) {
    if (query::Pacer* pacer = query::currentPacer())
        pacer->noteAnswer(query::pacingHostOf(request.url), facts.status, sign);
    FetchOutcome outcome{request.fallback, FallbackReason::Blocked, 0, {}, sign, {}};
    return outcome;
}

// The patterns in order, the first that matches giving the value; raises a matcher failure.
FetchOutcome matchPage(const FetchRequest& request, const platform::PageText& page) {
    platform::TRegExp matcher;
    QList<platform::RegExpMatch> matches;
    int index = 0;
    for (; index <= request.morePatterns.size(); ++index) {
        matcher.setPattern(index == 0 ? request.pattern : request.morePatterns[index - 1]);
        matches = matcher.Execute(page);
        if (!matches.isEmpty())
            break;
    }
    if (matches.isEmpty()) {
        if (!request.noResults.isEmpty()) {
            matcher.setPattern(request.noResults);
            if (!matcher.Execute(page).isEmpty())
                return {request.fallback, FallbackReason::None, 0, {}, {}, {}};
        }
        return {request.fallback, FallbackReason::NoMatch, 0, {}, {}, {}};
    }
    const QString value = StripTokens(matches.last().value, request.tokens);
    if (value.isEmpty())
        return {request.fallback, FallbackReason::EmptyAfterCut, 0, {}, {}, {}, index};
    // A changed page can put markup where the number stood: that is no match, not a value.
    const std::optional<QString> read = readValue(request.value, value);
    if (!read)
        return {request.fallback, FallbackReason::NoMatch, 0, {}, {}, {}, index};
    return {*read, FallbackReason::None, 0, {}, {}, {}, index};
}

// Fetches and matches; raises whatever the exchange or the matcher raises.
FetchOutcome fetchAndMatch(const FetchRequest& request) {
    AnswerFacts facts;
    QString contentType;
    try {
        facts.body = fetchBody(request.url, request.options, facts, contentType);
    } catch (const net::EIdHTTPProtocolException&) {
        // A captcha redirect or a refusal status is a block, not a plain status error.
        if (request.blockSigns) {
            if (const auto sign = FindBlockSign(*request.blockSigns, facts))
                return blockedOutcome(request, facts, *sign);
        }
        throw;
    }
    // The signs read the raw body; the page text is made after, so the two are never held
    // beside a third copy.
    const std::optional<QString> sign =
        request.blockSigns ? FindBlockSign(*request.blockSigns, facts) : std::nullopt;
    const platform::PageText page =
        decodePageText(std::exchange(facts.body, {}), request.mode, contentType);
    if (request.keep)
        *request.keep = page;
    if (sign)
        return blockedOutcome(request, facts, *sign);

    return matchPage(request, page);
}

} // namespace

FetchOutcome ExtractFromPage(const FetchRequest& request, const platform::PageText& page) {
    if (request.blockSigns) {
        const AnswerFacts facts{200, {}, request.url, page.utf8()};
        if (const auto sign = FindBlockSign(*request.blockSigns, facts))
            return blockedOutcome(request, facts, *sign);
    }
    return matchPage(request, page);
}

FetchOutcome FetchAndExtractOutcome(const FetchRequest& request, const EventPump& pump) {
    FetchOutcome outcome;
    try {
        outcome = fetchAndMatch(request);
    } catch (const std::exception& error) {
        outcome = FallbackFor(error, request.fallback);
    }
    outcome.host = HostOfUrl(request.url);
    if (request.pumpAtEnd && pump)
        pump();
    return outcome;
}

QString FetchAndExtract(const FetchRequest& request, const EventPump& pump) {
    return FetchAndExtractOutcome(request, pump).value;
}

} // namespace kelvane::query
