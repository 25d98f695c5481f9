#include "query/outcome.h"

#include <array>
#include <utility>

namespace kelvane::query {

namespace {

struct ReasonRow {
    FallbackReason reason;
    const char16_t* name;
    bool fault;
};

// A matcher failure reads as a page without data; any other failure of the exchange (a bad
// answer, too many redirects) as a failed connection.
constexpr std::array<ReasonRow, 13> kReasons = {{
    {FallbackReason::None, u"ok", false},
    {FallbackReason::NoConnection, u"connect", true},
    {FallbackReason::TimedOut, u"timeout", true},
    {FallbackReason::HttpStatus, u"http", true},
    {FallbackReason::TooLarge, u"too-large", true},
    {FallbackReason::Blocked, u"blocked", true},
    {FallbackReason::NoMatch, u"no-match", false},
    {FallbackReason::EmptyAfterCut, u"empty", false},
    {FallbackReason::NotConfigured, u"not-configured", false},
    {FallbackReason::MatcherFailure, u"no-match", false},
    {FallbackReason::OtherError, u"connect", true},
    {FallbackReason::Closed, u"closed", false},
    // The user's own doing, not the service's: no fault.
    {FallbackReason::Stopped, u"stopped", false},
}};

const ReasonRow& rowOf(FallbackReason reason) {
    for (const ReasonRow& row : kReasons) {
        if (row.reason == reason)
            return row;
    }
    return kReasons.back();
}

} // namespace

QString reasonName(FallbackReason reason) {
    return QString::fromUtf16(rowOf(reason).name);
}

std::optional<FallbackReason> reasonFromName(const QString& name) {
    for (const ReasonRow& row : kReasons) {
        if (name == QString::fromUtf16(row.name))
            return row.reason;
    }
    return std::nullopt;
}

bool isFault(FallbackReason reason) {
    return rowOf(reason).fault;
}

Outcome outcomeOf(const FetchOutcome& fetched) {
    Outcome outcome{fetched.reason, fetched.detail, fetched.host};
    if (fetched.reason == FallbackReason::HttpStatus && outcome.detail.isEmpty())
        outcome.detail = QString::number(fetched.httpStatus);
    return outcome;
}

} // namespace kelvane::query
