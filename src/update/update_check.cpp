#include "update/update_check.h"

#include "net/idhttp.h"
#include "platform/host_config.h"
#include "platform/locale_format.h"

#include <QRegularExpression>
#include <charconv>

namespace kelvane::update {

QString UpdatePageUrl() {
    return platform::originFor(QStringLiteral("home")) + QStringLiteral("/version.html");
}

std::optional<double> ParsePublishedVersion(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    QString number = text.mid(first, last - first);

    // The locale's separator becomes "."; a "." that is not the separator is not a number.
    const QString separator = platform::formatLocale().decimalPoint();
    if (separator != u".") {
        if (number.contains(u'.'))
            return std::nullopt;
        number.replace(separator, QStringLiteral("."));
    }
    // One fixed shape, checked before conversion: no grouping, no line break, no markup.
    static const QRegularExpression kShape(
        QStringLiteral("\\A[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?\\z"));
    if (!kShape.match(number).hasMatch())
        return std::nullopt;
    QByteArray ascii = number.toLatin1();
    if (ascii.startsWith('+'))
        ascii.remove(0, 1);
    // from_chars reads "." whatever the C library's LC_NUMERIC says; strtod would not.
    double value = 0;
    const char* end = ascii.constData() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.constData(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

bool IsNewer(const QString& publishedText) {
    const std::optional<double> published = ParsePublishedVersion(publishedText);
    return published && kBuiltInVersion < *published;
}

bool CheckForUpdate() {
    try {
        net::TIdHTTP http;
        // The check runs on the one user-interface thread once the main window has hidden:
        // without a limit a server that accepts and never answers would freeze the tray for good.
        http.ReadTimeout = kUpdateReadTimeoutMs;
        return IsNewer(http.GetToString(UpdatePageUrl()));
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace kelvane::update
