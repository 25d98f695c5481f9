#include "net/http_url.h"

#include <QStringList>

namespace kelvane::net {

namespace {

// Splits "/a/b/doc#frag" into path "/a/b/" and document "doc".
void setPathAndDocument(Url& url, QString rest) {
    if (!rest.startsWith(u'/'))
        rest.prepend(u'/');
    const qsizetype lastSlash = rest.lastIndexOf(u'/');
    url.path = rest.left(lastSlash + 1);
    url.document = rest.mid(lastSlash + 1);
    const qsizetype fragment = url.document.indexOf(u'#');
    if (fragment >= 0)
        url.document.truncate(fragment);
}

// Removes "." and ".." segments of a path that begins and ends with "/".
QString removeDotSegments(const QString& path) {
    const QStringList segments = path.split(u'/');
    QStringList kept;
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QString& segment = segments[i];
        const bool last = i == segments.size() - 1;
        if (segment == u'.') {
            if (last)
                kept.append(QString());
        } else if (segment == QLatin1String("..")) {
            if (!kept.isEmpty())
                kept.removeLast();
            if (last)
                kept.append(QString());
        } else {
            kept.append(segment);
        }
    }
    return u'/' + kept.join(u'/');
}

} // namespace

Url parseUrl(const QString& input) {
    QString text = input;
    text.replace(u'\\', u'/');
    Url url;
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd >= 0) {
        url.scheme = text.left(schemeEnd);
        text = text.mid(schemeEnd + 3);
    }
    const qsizetype queryStart = text.indexOf(u'?');
    if (queryStart >= 0) {
        url.query = text.mid(queryStart + 1);
        text.truncate(queryStart);
    }
    if (schemeEnd >= 0) {
        const qsizetype authorityEnd = text.indexOf(u'/');
        QString authority = authorityEnd < 0 ? text : text.left(authorityEnd);
        text = authorityEnd < 0 ? QString() : text.mid(authorityEnd);
        const qsizetype at = authority.lastIndexOf(u'@');
        if (at >= 0) {
            url.userInfo = authority.left(at);
            authority = authority.mid(at + 1);
        }
        // A colon inside an IPv6 literal is no port separator.
        const qsizetype colon = authority.lastIndexOf(u':');
        if (colon >= 0 && colon > authority.lastIndexOf(u']')) {
            url.port = authority.mid(colon + 1);
            authority.truncate(colon);
        }
        url.host = authority;
    }
    setPathAndDocument(url, text);
    if (url.port.isEmpty()) {
        if (url.scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0)
            url.port = QStringLiteral("80");
        else if (url.scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
            url.port = QStringLiteral("443");
    }
    return url;
}

QString requestTarget(const Url& url) {
    QString target = url.path + url.document;
    if (!url.query.isEmpty())
        target += u'?' + url.query;
    return target;
}

QString hostValue(const Url& url) {
    const bool https = url.scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    return url.port == QLatin1String(https ? "443" : "80") ? url.host : url.host + u':' + url.port;
}

QString toString(const Url& url) {
    QString authority = url.host;
    if (!url.userInfo.isEmpty())
        authority.prepend(url.userInfo + u'@');
    if (!url.port.isEmpty())
        authority += u':' + url.port;
    return url.scheme + QLatin1String("://") + authority + requestTarget(url);
}

Url resolveLocation(const Url& current, const QString& location) {
    QString text = location;
    text.replace(u'\\', u'/');
    if (text.contains(QLatin1String("://")))
        return parseUrl(text);
    if (text.startsWith(QLatin1String("//")))
        return parseUrl(current.scheme + u':' + text);

    // An empty reference, or a fragment alone, is the current target itself, query and all.
    if (text.isEmpty() || text.startsWith(u'#'))
        return current;

    Url next = current;
    next.query.clear();
    QString rest = text;
    const qsizetype queryStart = rest.indexOf(u'?');
    if (queryStart >= 0) {
        next.query = rest.mid(queryStart + 1);
        rest.truncate(queryStart);
    }
    if (rest.isEmpty()) {
        // "?q" keeps path and document.
        return next;
    }
    if (!rest.startsWith(u'/'))
        rest.prepend(current.path);
    setPathAndDocument(next, rest);
    next.path = removeDotSegments(next.path);
    if (next.document == u'.' || next.document == QLatin1String("..")) {
        next.path = removeDotSegments(next.path + next.document + u'/');
        next.document.clear();
    }
    return next;
}

QString percentEncodeHighBytes(const QString& headText) {
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    QString out;
    out.reserve(headText.size());
    for (const QChar c : headText) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out += c;
            continue;
        }
        // Head text holds one character per byte; anything wider goes out as its UTF-8.
        const QByteArray bytes =
            u <= 0xFF ? QByteArray(1, static_cast<char>(u)) : QString(c).toUtf8();
        for (const char byte : bytes) {
            const auto b = static_cast<unsigned char>(byte);
            out += u'%';
            out += QChar(hex[b >> 4]);
            out += QChar(hex[b & 0xF]);
        }
    }
    return out;
}

} // namespace kelvane::net
