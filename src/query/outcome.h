#pragma once

#include "query/fetch_and_extract.h"

#include <QString>

namespace kelvane::query {

// Why a shown value is what it is: the reason, a detail where one helps (the status code, the
// block sign) and the host asked, so a front end can tell a failure from a real zero.
struct Outcome {
    FallbackReason reason = FallbackReason::None;
    QString detail;
    QString host;

    bool ok() const { return reason == FallbackReason::None; }
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// A probe's value with its outcome; a bare value converts as an "ok" one.
template <typename T> struct Probed {
    T value;
    Outcome outcome;

    Probed(T v) : value(std::move(v)) {} // NOLINT: implicit on purpose
    Probed(T v, Outcome o) : value(std::move(v)), outcome(std::move(o)) {}
};

// The identifier of a reason, as JSON, the history and the tests write it.
QString reasonName(FallbackReason reason);
// The reason of an identifier; none for an unknown one.
std::optional<FallbackReason> reasonFromName(const QString& name);
// Whether the reason means the run did not get its data (the console exits 3), rather than a
// page that lacked it or a service left unset.
bool isFault(FallbackReason reason);

// The outcome part of a fetch.
Outcome outcomeOf(const FetchOutcome& fetched);

} // namespace kelvane::query
