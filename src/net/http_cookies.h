#pragma once

#include "net/idhttp.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace kelvane::net {

struct HttpCookie {
    QString name;
    QString value;
    QString domain;
    QString path;
    // Invalid: lives as long as the client object.
    QDateTime expires;
    bool secure = false;
};

// One Set-Cookie or Set-Cookie2 value: name=value, then Domain, Path, Expires or Max-Age
// (Max-Age wins) and Secure; other attributes are ignored. A missing Domain takes the request
// host, a missing Path the directory of the request path. Nothing when there is no name.
std::optional<HttpCookie> parseSetCookie(const QString& headerValue, const QString& requestHost,
                                         const QString& requestPath, const QDateTime& now);

// Equal without regard to case, or, for a domain beginning with ".", the host ends with it;
// a host written as an IP address must equal the domain.
bool domainMatches(const QString& host, const QString& domain);

// An Expires date in the forms servers use (RFC 1123, RFC 850, asctime); invalid when none fits.
QDateTime parseCookieDate(const QString& text);

// The cookies of one client object. Bounded in count and in bytes: past either bound the
// oldest cookies go. One Cookie header is bounded too: cookies that would take it past
// kMaxHeaderBytes are left out of it.
class CookieStore {
public:
    static constexpr qsizetype kMaxCookies = 1000;
    static constexpr qsizetype kMaxStoreBytes = 1024 * 1024;
    static constexpr qsizetype kMaxHeaderBytes = 128 * 1024;

    // Stores every Set-Cookie and Set-Cookie2 of a response head; a cookie whose domain does
    // not match the request host is dropped, one already expired removes its stored namesake.
    void storeFrom(const IdHTTPResponse& head, const QString& requestHost,
                   const QString& requestPath, const QDateTime& now);
    void store(const HttpCookie& cookie, const QDateTime& now);

    // Removes expired cookies, then "name=value; ..." of those that match host and path
    // (Secure ones over TLS only); empty when none match.
    QString cookieHeader(const QString& host, const QString& path, const QDateTime& now,
                         bool secureTransport = false);

    const QList<HttpCookie>& cookies() const { return cookies_; }
    // What the store holds, counted as name, value, domain and path characters.
    qsizetype bytes() const { return bytes_; }

private:
    static qsizetype sizeOf(const HttpCookie& cookie);
    template <typename Pred> void removeWhere(Pred pred) {
        for (const HttpCookie& c : cookies_) {
            if (pred(c))
                bytes_ -= sizeOf(c);
        }
        cookies_.removeIf(pred);
    }

    QList<HttpCookie> cookies_;
    qsizetype bytes_ = 0;
};

} // namespace kelvane::net
