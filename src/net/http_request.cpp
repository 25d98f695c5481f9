#include "net/http_request.h"

namespace kelvane::net {

namespace {

bool isFoldPoint(QChar c) {
    return c == u' ' || c == u'\t' || c == u',';
}

QByteArray headerValueBytes(const QString& value) {
    QByteArray bytes;
    bytes.reserve(value.size());
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'\t' || (u >= 0x20 && u < 0x7F))
            bytes.append(static_cast<char>(u));
        else if (u < 0x20 || u == 0x7F)
            bytes.append(' ');
        else if (!c.isLowSurrogate())
            bytes.append('?');
    }
    return bytes;
}

} // namespace

QByteArray encodeRequestTarget(const QString& target) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = target.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte > 0x20 && byte < 0x7F) {
            out.append(ch);
        } else {
            out.append('%');
            out.append(hex[byte >> 4]);
            out.append(hex[byte & 0xF]);
        }
    }
    return out;
}

QStringList foldHeaderLine(const QString& line, qsizetype limit) {
    QStringList pieces;
    // What is left to fold is line from `from` on, after one added space once folding began;
    // nothing is copied until a piece is cut, so a long line folds in linear time.
    qsizetype from = 0;
    qsizetype lead = 0;
    const auto restSize = [&] { return lead + line.size() - from; };
    const auto restAt = [&](qsizetype i) { return line[from + i - lead]; };
    const auto rest = [&](qsizetype n) {
        QString piece;
        piece.reserve(n);
        if (lead)
            piece += u' ';
        piece += QStringView(line).mid(from, n - lead);
        return piece;
    };
    // Never fold between the header name and its value.
    const qsizetype nameEnd = line.indexOf(QLatin1String(": "));
    qsizetype minCut = nameEnd < 0 ? 1 : nameEnd + 2;
    while (restSize() > limit) {
        // The last fold point that keeps this piece within the limit; a comma stays with it.
        qsizetype cut = -1;
        for (qsizetype i = qMin(limit, restSize() - 1); i >= minCut; --i) {
            if (isFoldPoint(restAt(i)) && (restAt(i) != u',' || i + 1 <= limit)) {
                cut = i;
                break;
            }
        }
        if (cut < 0) {
            // No fold point in reach: fold at the first one after it, if any.
            for (qsizetype i = qMax(limit + 1, minCut); i < restSize(); ++i) {
                if (isFoldPoint(restAt(i))) {
                    cut = i;
                    break;
                }
            }
        }
        if (cut < 0)
            break;
        const qsizetype pieceEnd = restAt(cut) == u',' ? cut + 1 : cut;
        qsizetype next = from + pieceEnd - lead;
        while (next < line.size() && (line[next] == u' ' || line[next] == u'\t'))
            ++next;
        if (next == line.size())
            break;
        pieces.append(rest(pieceEnd));
        from = next;
        lead = 1;
        minCut = 1;
    }
    pieces.append(rest(restSize()));
    return pieces;
}

QString withIdentity(const QString& acceptEncoding) {
    if (acceptEncoding.contains(QLatin1String("identity"), Qt::CaseInsensitive))
        return acceptEncoding;
    if (acceptEncoding.isEmpty())
        return QStringLiteral("identity");
    return acceptEncoding + QLatin1String(", identity");
}

QByteArray buildGetRequest(const GetRequest& request) {
    QByteArray out = "GET " + encodeRequestTarget(request.target) + " HTTP/" +
                     headerValueBytes(request.protocolVersion) + "\r\n";
    const auto header = [&out](QStringView name, const QString& value) {
        const QString line = name.toString() + QLatin1String(": ") + value;
        for (const QString& piece : foldHeaderLine(line))
            out += headerValueBytes(piece) + "\r\n";
    };
    header(u"Host", request.host);
    header(u"Accept", request.accept);
    header(u"Accept-Encoding", request.acceptEncoding);
    if (!request.userAgent.isEmpty())
        header(u"User-Agent", request.userAgent);
    for (const auto& [name, value] : request.extraHeaders)
        header(name, value);
    if (!request.cookie.isEmpty())
        header(u"Cookie", request.cookie);
    if (!request.proxyAuthorization.isEmpty())
        header(u"Proxy-Authorization", request.proxyAuthorization);
    return out + "\r\n";
}

} // namespace kelvane::net
