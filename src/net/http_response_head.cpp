#include "net/http_response_head.h"

namespace kelvane::net {

QString IdHTTPResponse::header(const QString& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

} // namespace kelvane::net

namespace kelvane::net {

int statusCodeOf(QStringView statusLine) {
    const QList<QStringView> fields = statusLine.split(u' ', Qt::SkipEmptyParts);
    if (fields.size() < 2)
        return -1;
    const QStringView code = fields[1];
    if (code.isEmpty() || code.size() > 9)
        return -1;
    for (const QChar c : code) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    return code.toInt();
}

IdHTTPResponse parseResponseHead(const QList<QString>& lines) {
    IdHTTPResponse head;
    if (lines.isEmpty())
        return head;
    head.statusLine = lines.first();
    head.ResponseCode = statusCodeOf(head.statusLine);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(u' ') || line.startsWith(u'\t')) {
            const QString more = line.trimmed();
            if (head.headers.isEmpty() || more.isEmpty())
                continue;
            QString& value = head.headers.last().second;
            value = value.isEmpty() ? more : value + u' ' + more;
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            head.headers.append({line.trimmed(), QString()});
        else
            head.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return head;
}

QString headLineText(QByteArrayView bytes) {
    return QString::fromLatin1(bytes);
}

bool asksToClose(const IdHTTPResponse& head) {
    bool keepAlive = false;
    for (const auto& [key, value] : head.headers) {
        if (key.compare(QLatin1String("Connection"), Qt::CaseInsensitive) != 0 &&
            key.compare(QLatin1String("Proxy-Connection"), Qt::CaseInsensitive) != 0)
            continue;
        if (value.trimmed().compare(QLatin1String("close"), Qt::CaseInsensitive) == 0)
            return true;
        for (const QStringView token : QStringView(value).split(u','))
            keepAlive |= token.trimmed().compare(u"keep-alive", Qt::CaseInsensitive) == 0;
    }
    // An HTTP/1.0 server closes after the response unless it said otherwise.
    return head.statusLine.startsWith(QLatin1String("HTTP/1.0"), Qt::CaseInsensitive) && !keepAlive;
}

bool isChunked(const IdHTTPResponse& head) {
    return head.header(QStringLiteral("Transfer-Encoding"))
        .toLower()
        .contains(QLatin1String("chunked"));
}

qint64 contentLength(const IdHTTPResponse& head) {
    bool present = false;
    QString text;
    for (const auto& [key, value] : head.headers) {
        if (key.compare(QLatin1String("Content-Length"), Qt::CaseInsensitive) == 0) {
            present = true;
            text = value;
            break;
        }
    }
    if (!present)
        return -1;
    bool ok = false;
    const qint64 length = text.trimmed().toLongLong(&ok);
    return ok && length >= 0 ? length : -1;
}

} // namespace kelvane::net
