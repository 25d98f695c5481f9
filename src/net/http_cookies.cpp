#include "net/http_cookies.h"

#include <QStringList>
#include <QTimeZone>

namespace kelvane::net {

namespace {

// Dotted IPv4 or an IPv6 literal (which holds a colon, bracketed or not).
bool isIpAddress(const QString& host) {
    if (host.contains(u':'))
        return true;
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool ok = false;
        if (part.isEmpty() || part.size() > 3 || part.toUInt(&ok) > 255 || !ok)
            return false;
    }
    return true;
}

bool pathMatches(const QString& requestPath, const QString& cookiePath) {
    return requestPath.startsWith(cookiePath);
}

// The directory of a request path: up to its last "/", "/" when there is none.
QString defaultPath(const QString& requestPath) {
    const qsizetype slash = requestPath.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : requestPath.left(slash);
}

} // namespace

QDateTime parseCookieDate(const QString& text) {
    // The date tokens in any order, as RFC 6265 reads them.
    static const QStringList months = {
        QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("apr"),
        QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("aug"),
        QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    int day = -1, month = -1, year = -1, hour = -1, minute = -1, second = -1;
    QString token;
    const auto take = [&] {
        if (token.isEmpty())
            return;
        const QStringList clock = token.split(u':');
        bool ok = false;
        if (hour < 0 && clock.size() == 3) {
            const int h = clock[0].toInt(&ok);
            const int m = ok ? clock[1].toInt(&ok) : 0;
            const int s = ok ? clock[2].toInt(&ok) : 0;
            if (ok) {
                hour = h;
                minute = m;
                second = s;
            }
        } else if (const int number = token.toInt(&ok); ok) {
            if (day < 0 && token.size() <= 2)
                day = number;
            else if (year < 0 && token.size() >= 2 && token.size() <= 4)
                year = number;
        } else if (month < 0 && token.size() >= 3) {
            const qsizetype index = months.indexOf(token.left(3).toLower());
            if (index >= 0)
                month = static_cast<int>(index) + 1;
        }
        token.clear();
    };
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == u':')
            token += c;
        else
            take();
    }
    take();
    if (year >= 0 && year < 70)
        year += 2000;
    else if (year >= 70 && year < 100)
        year += 1900;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

std::optional<HttpCookie> parseSetCookie(const QString& headerValue, const QString& requestHost,
                                         const QString& requestPath, const QDateTime& now) {
    const QStringList parts = headerValue.split(u';');
    const QString& pair = parts.first();
    const qsizetype equals = pair.indexOf(u'=');
    HttpCookie cookie;
    cookie.name = (equals < 0 ? pair : pair.left(equals)).trimmed();
    cookie.value = equals < 0 ? QString() : pair.mid(equals + 1).trimmed();
    if (cookie.name.isEmpty())
        return std::nullopt;
    bool haveMaxAge = false;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype eq = parts[i].indexOf(u'=');
        const QString key = (eq < 0 ? parts[i] : parts[i].left(eq)).trimmed().toLower();
        QString value = eq < 0 ? QString() : parts[i].mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        if (key == QLatin1String("domain") && !value.isEmpty()) {
            cookie.domain = value;
        } else if (key == QLatin1String("path") && value.startsWith(u'/')) {
            cookie.path = value;
        } else if (key == QLatin1String("max-age")) {
            bool ok = false;
            const qint64 seconds = value.toLongLong(&ok);
            if (ok) {
                haveMaxAge = true;
                // Clamped so that absurd values cannot overflow the date.
                cookie.expires =
                    seconds <= 0 ? now.addSecs(-1) : now.addSecs(qMin<qint64>(seconds, 1LL << 36));
            }
        } else if (key == QLatin1String("expires") && !haveMaxAge) {
            cookie.expires = parseCookieDate(value);
        } else if (key == QLatin1String("secure")) {
            cookie.secure = true;
        }
    }
    if (cookie.domain.isEmpty())
        cookie.domain = requestHost;
    if (cookie.path.isEmpty())
        cookie.path = defaultPath(requestPath);
    return cookie;
}

bool domainMatches(const QString& host, const QString& domain) {
    if (host.compare(domain, Qt::CaseInsensitive) == 0)
        return true;
    if (isIpAddress(host) || !domain.startsWith(u'.'))
        return false;
    return host.endsWith(domain, Qt::CaseInsensitive);
}

void CookieStore::storeFrom(const IdHTTPResponse& head, const QString& requestHost,
                            const QString& requestPath, const QDateTime& now) {
    for (const auto& [key, value] : head.headers) {
        if (key.compare(QLatin1String("Set-Cookie"), Qt::CaseInsensitive) != 0 &&
            key.compare(QLatin1String("Set-Cookie2"), Qt::CaseInsensitive) != 0)
            continue;
        const std::optional<HttpCookie> cookie =
            parseSetCookie(value, requestHost, requestPath, now);
        if (cookie && domainMatches(requestHost, cookie->domain))
            store(*cookie, now);
    }
}

qsizetype CookieStore::sizeOf(const HttpCookie& cookie) {
    return cookie.name.size() + cookie.value.size() + cookie.domain.size() + cookie.path.size();
}

void CookieStore::store(const HttpCookie& cookie, const QDateTime& now) {
    removeWhere([&](const HttpCookie& old) {
        return old.name == cookie.name && old.path == cookie.path &&
               old.domain.compare(cookie.domain, Qt::CaseInsensitive) == 0;
    });
    if (cookie.expires.isValid() && cookie.expires <= now)
        return;
    const qsizetype size = sizeOf(cookie);
    if (size > kMaxStoreBytes)
        return;
    qsizetype oldest = 0;
    qsizetype freed = 0;
    while (oldest < cookies_.size() &&
           (cookies_.size() - oldest >= kMaxCookies || bytes_ - freed + size > kMaxStoreBytes))
        freed += sizeOf(cookies_[oldest++]);
    cookies_.remove(0, oldest);
    bytes_ -= freed;
    cookies_.append(cookie);
    bytes_ += size;
}

QString CookieStore::cookieHeader(const QString& host, const QString& path, const QDateTime& now,
                                  bool secureTransport) {
    removeWhere([&](const HttpCookie& c) { return c.expires.isValid() && c.expires <= now; });
    QString header;
    for (const HttpCookie& c : cookies_) {
        if ((c.secure && !secureTransport) || !domainMatches(host, c.domain) ||
            !pathMatches(path, c.path))
            continue;
        const qsizetype separator = header.isEmpty() ? 0 : 2;
        if (header.size() + separator + c.name.size() + 1 + c.value.size() > kMaxHeaderBytes)
            continue;
        if (separator)
            header += QLatin1String("; ");
        header += c.name + u'=' + c.value;
    }
    return header;
}

} // namespace kelvane::net
