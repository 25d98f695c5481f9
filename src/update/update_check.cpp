#include "update/update_check.h"

#include "net/idhttp.h"
#include "platform/host_config.h"
#include "platform/locale_format.h"

#include <QRegularExpression>
#include <cstdlib>

namespace kelvane::update {

QString UpdatePageUrl() {
    return hosts::originFor(QStringLiteral("home")) + QStringLiteral("/version.html");
}

std::optional<double> ParsePublishedVersion(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    QString number = text.mid(first, last - first);

    const QString separator = formatLocale().decimalPoint();
    // One fixed shape, checked before conversion: no grouping, no line break, no markup.
    static const QRegularExpression kShape(QStringLiteral(
        "^[+-]?(?:[0-9]+(?:\\x{E000}[0-9]*)?|\\x{E000}[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    QString marked = number;
    marked.replace(separator, QStringLiteral("\uE000"));
    if (separator != u"." && marked.contains(u'.'))
        return std::nullopt;
    if (!kShape.match(marked).hasMatch())
        return std::nullopt;
    marked.replace(u'\uE000', u'.');
    const QByteArray ascii = marked.toLatin1();
    char* end = nullptr;
    const double value = std::strtod(ascii.constData(), &end);
    if (end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

bool IsNewer(const QString& publishedText) {
    const std::optional<double> published = ParsePublishedVersion(publishedText);
    return published && kBuiltInVersion < *published;
}

bool CheckForUpdate() {
    try {
        TIdHTTP http;
        // The check runs on the one user-interface thread once the main window has hidden:
        // without a limit a server that accepts and never answers would freeze the tray for good.
        http.ReadTimeout = kUpdateReadTimeoutMs;
        return IsNewer(http.GetToString(UpdatePageUrl()));
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace kelvane::update
