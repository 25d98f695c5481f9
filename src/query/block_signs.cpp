#include "query/block_signs.h"

#include "net/http_url.h"
#include "platform/text_codec.h"

namespace kelvane::query {

namespace {

constexpr qsizetype kTitleWindow = 64 * 1024;

struct UrlParts {
    QString host;
    QString path;
};

// Host and path of a URL, or of a Location taken against the URL it answered.
std::optional<UrlParts> partsOf(const QString& url, const QString& base) {
    if (url.isEmpty())
        return std::nullopt;
    const net::Url parsed =
        base.isEmpty() ? net::parseUrl(url) : net::resolveLocation(net::parseUrl(base), url);
    return UrlParts{parsed.host, parsed.path + parsed.document};
}

std::optional<QString> urlSign(const BlockSigns& signs, const std::optional<UrlParts>& parts,
                               const QString& where) {
    if (!parts)
        return std::nullopt;
    if (signs.hostContains &&
        parts->host.contains(QString::fromUtf16(signs.hostContains), Qt::CaseInsensitive))
        return where + QStringLiteral("-host");
    if (signs.pathStarts && parts->path.startsWith(QString::fromUtf16(signs.pathStarts)))
        return where + QStringLiteral("-path");
    return std::nullopt;
}

bool titleIs(const QByteArray& title, const char16_t* expected) {
    const QString text = QString::fromUtf16(expected);
    return !title.isEmpty() && (title == text.toUtf8() || title == platform::toAnsi(text));
}

// Pages come in UTF-8 or the ANSI code page; the sign is found in either.
bool bodyHolds(const QByteArray& body, const char16_t* expected) {
    const QString text = QString::fromUtf16(expected);
    const QByteArray utf8 = text.toUtf8();
    if (body.contains(utf8))
        return true;
    const QByteArray ansi = platform::toAnsi(text);
    return ansi != utf8 && body.contains(ansi);
}

} // namespace

QByteArray PageTitle(const QByteArray& body) {
    // A title sits in the head; a lower-case copy of the start finds it in any case.
    const QByteArray head = body.left(kTitleWindow).toLower();
    const qsizetype open = head.indexOf("<title");
    if (open < 0)
        return {};
    const qsizetype start = head.indexOf('>', open);
    if (start < 0)
        return {};
    qsizetype end = head.indexOf("</", start + 1);
    if (end < 0)
        end = head.size();
    return body.mid(start + 1, end - start - 1).trimmed();
}

std::optional<QString> FindBlockSign(const BlockSigns& signs, const AnswerFacts& answer) {
    if (auto sign =
            urlSign(signs, partsOf(answer.location, answer.url), QStringLiteral("location")))
        return sign;
    if (auto sign = urlSign(signs, partsOf(answer.url, {}), QStringLiteral("url")))
        return sign;
    if (signs.searchPage && (answer.status == 429 || answer.status == 403))
        return QStringLiteral("http-%1").arg(answer.status);
    if (signs.title && titleIs(PageTitle(answer.body), signs.title))
        return QStringLiteral("title");
    if (signs.smallBodyContains && answer.body.size() < signs.smallBodyBytes &&
        answer.body.contains(QString::fromUtf16(signs.smallBodyContains).toUtf8()))
        return QStringLiteral("small-body");
    if (signs.bodyContains && *signs.bodyContains && bodyHolds(answer.body, signs.bodyContains))
        return QStringLiteral("body");
    return std::nullopt;
}

} // namespace kelvane::query
