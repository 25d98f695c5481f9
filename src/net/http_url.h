#pragma once

#include <QString>

namespace kelvane::net {

// A GET target split the way the client sends it. Nothing is percent-encoded or decoded.
struct Url {
    QString scheme;
    QString userInfo;
    QString host;
    // As written; empty becomes "80" for http and "443" for https.
    QString port;
    // Always begins with "/" and ends with "/".
    QString path = QStringLiteral("/");
    // The text after the last "/" of the path, fragment removed.
    QString document;
    QString query;

    friend bool operator==(const Url&, const Url&) = default;
};

// Backslashes become "/"; the query is everything after the first "?", sent unchanged.
Url parseUrl(const QString& url);

// Path, document and "?query" when the query is not empty.
QString requestTarget(const Url& url);
// The host alone on the scheme's default port ("80", "443" for https), otherwise "host:port".
QString hostValue(const Url& url);
// The URL written out again, for resolving and for messages.
QString toString(const Url& url);

// A redirect Location taken against the current target: absolute URLs replace it; otherwise
// scheme, host and port stay, and the path replaces ("/...") or extends the current one. An
// empty Location (or a fragment alone) is the current target, query kept.
Url resolveLocation(const Url& current, const QString& location);

// Head text (one character per byte) with every byte above 0x7F percent-encoded, so a raw
// 8-bit Location is requested with the server's own bytes, as browsers do.
QString percentEncodeHighBytes(const QString& headText);

} // namespace kelvane::net
