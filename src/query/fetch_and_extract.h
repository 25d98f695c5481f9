#pragma once

#include "platform/errors.h"
#include "platform/page_text.h"
#include "query/value_kinds.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <optional>

namespace kelvane::query {

// Lets the user interface process its pending events; empty where nothing needs it.
using EventPump = std::function<void()>;

// How a fetched body becomes page text.
enum class FetchMode {
    Stream,      // ANSI code page, whatever the response declares
    CharsetText, // UTF-8 when the Content-Type names it, else one character per byte
};

// Settings of the fresh client of one fetch; unset values keep the client's defaults.
struct ProbeRequestOptions {
    std::optional<QString> userAgent; // empty text: no User-Agent header
    bool followRedirects = false;
    std::optional<int> readTimeoutMs;
    // The year the service closed: nothing is sent, and the outcome says so. 0: it answers.
    int closedYear = 0;
    // Request headers beside the client's own; an Accept here replaces the client's.
    QList<QPair<QString, QString>> headers;
};

// Why a fetch gave its fallback rather than a value from the page.
enum class FallbackReason {
    None,           // the value came from the page
    NoConnection,   // the host could not be reached or dropped the connection
    TimedOut,       // the server stopped sending within the read time-out
    HttpStatus,     // the server answered with a status the exchange does not accept
    TooLarge,       // the body passed the exchange's size bound
    Blocked,        // the engine answered with its block or captcha page
    NotConfigured,  // the service's host is a reserved placeholder: nothing was sent
    NoMatch,        // the page does not hold the pattern
    EmptyAfterCut,  // the match held nothing but tokens
    MatcherFailure, // the pattern could not be run
    OtherError,     // any other failure of the exchange
    Closed,         // the service is gone: nothing was sent
    Stopped,        // the user stopped the run: the exchange ended, or nothing was sent
};

struct BlockSigns;

struct FetchRequest {
    QString url;
    FetchMode mode = FetchMode::Stream;
    ProbeRequestOptions options;
    QString pattern;
    // Tried in order when the pattern finds nothing; the first that matches wins.
    QStringList morePatterns;
    QStringList tokens;
    QString fallback;
    // Receives the page text right after a successful fetch, before matching.
    platform::PageText* keep = nullptr;
    // Whether the user interface processes its pending events once before the result returns.
    bool pumpAtEnd = false;
    // The engine's block signs, checked on the answer before the pattern; none for a service.
    const BlockSigns* blockSigns = nullptr;
    // A page matching it, and no pattern, holds a real zero: the fallback with outcome ok.
    QString noResults;
    // What the cut value must look like; one that does not is no match, never a value.
    ValueKind value = ValueKind::Text;
};

struct FetchOutcome {
    QString value;
    FallbackReason reason = FallbackReason::None;
    int httpStatus = 0;    // for HttpStatus
    QString errorMessage;  // the failure's own message, for diagnostics only
    QString detail;        // the block sign, for Blocked
    QString host;          // the host asked
    int patternIndex = -1; // which pattern gave the value; -1 for none

    bool fellBack() const { return reason != FallbackReason::None; }
};

// One GET with a fresh client and the page text by the mode. Raises what the exchange raises.
QString FetchPage(const QString& url, FetchMode mode, const ProbeRequestOptions& options);

// The same page as UTF-8 text, decoded piece by piece: what the matcher reads, at a third of
// the memory of bytes and UTF-16 held together.
platform::PageText FetchPageText(const QString& url, FetchMode mode,
                                 const ProbeRequestOptions& options);

// Raised instead of a request to a host left at its reserved placeholder.
class EHostNotConfigured : public platform::KelvaneError {
public:
    explicit EHostNotConfigured(const QString& host)
        : platform::KelvaneError(QStringLiteral("No host configured (%1).").arg(host)) {}
};

// A closed service whose year is not known.
inline constexpr int kClosedYearUnknown = 1;

// Raised instead of a request to a service that closed, with the year it closed.
class EServiceClosed : public platform::KelvaneError {
public:
    explicit EServiceClosed(int year)
        : platform::KelvaneError(year == kClosedYearUnknown
                                     ? QStringLiteral("The service closed.")
                                     : QStringLiteral("The service closed in %1.").arg(year)),
          year_(year) {}
    int year() const noexcept { return year_; }

private:
    int year_;
};

// Raised where a page that should hold entries holds none and is not the engine's page of no
// results: the page changed under its pattern.
class EChangedPage : public platform::KelvaneError {
public:
    EChangedPage() : platform::KelvaneError(QStringLiteral("No result entry on the page.")) {}
};

// The host part of a request URL, without port.
QString HostOfUrl(const QString& url);

// Before any request: raises EHostNotConfigured for a placeholder host and EBlockedAnswer
// ("paused") while the host rests after a refusal; otherwise waits for the host's pacing turn.
void AdmitRequest(const QString& url);

// The fallback outcome of an error caught while fetching or matching: the one place that
// names a reason for every error the exchange raises.
FetchOutcome FallbackFor(const std::exception& error, const QString& fallback);

// Fetches a page, finds the pattern, cuts the tokens out of the whole match and falls back on
// any failure or an empty result. Never raises.
FetchOutcome FetchAndExtractOutcome(const FetchRequest& request, const EventPump& pump);

// The matching half of FetchAndExtractOutcome over a page already fetched and decoded: block
// signs read from the body alone, the patterns in order, the tokens, the no-results sign.
// Raises a matcher failure.
FetchOutcome ExtractFromPage(const FetchRequest& request, const platform::PageText& page);

// The value alone, as the probes show it.
QString FetchAndExtract(const FetchRequest& request, const EventPump& pump);

// The page text of a body under a fetch mode.
QString DecodePage(const QByteArray& body, FetchMode mode, const QString& contentType);

} // namespace kelvane::query
