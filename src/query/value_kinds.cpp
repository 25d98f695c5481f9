#include "query/value_kinds.h"

#include "platform/name_table.h"

#include <QRegularExpression>
#include <limits>

namespace kelvane::query {

namespace {

constexpr platform::Named<ValueKind> kKinds[] = {{ValueKind::Text, u"text"},
                                                 {ValueKind::Count, u"count"}};

constexpr qint64 kMostCount = std::numeric_limits<qint64>::max() / 10;

// One number before its unit: "1.2" in "1.2亿", as a whole multiple of the unit.
std::optional<qint64> timesUnit(QStringView number, qint64 unit) {
    const qsizetype point = number.indexOf(u'.');
    const QStringView whole = point < 0 ? number : number.first(point);
    QStringView fraction = point < 0 ? QStringView() : number.sliced(point + 1);
    bool ok = false;
    const qint64 wholeValue = whole.isEmpty() ? 0 : whole.toLongLong(&ok);
    if ((!whole.isEmpty() && !ok) || wholeValue > kMostCount / unit)
        return std::nullopt;
    qint64 value = wholeValue * unit;
    // Only as many fraction digits as the unit has places; the rest cannot be a whole count.
    qint64 place = unit / 10;
    for (const QChar digit : fraction) {
        if (place == 0)
            break;
        value += digit.digitValue() * place;
        place /= 10;
    }
    return value;
}

std::optional<QString> readUnits(const QString& text) {
    static const QRegularExpression term(QStringLiteral("(\\d+(?:\\.\\d+)?)(亿|万)?"));
    qint64 total = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        const QRegularExpressionMatch match =
            term.match(text, at, QRegularExpression::NormalMatch,
                       QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch() || match.capturedLength() == 0)
            return std::nullopt;
        const qint64 unit = match.captured(2) == u"亿"   ? 100'000'000
                            : match.captured(2) == u"万" ? 10'000
                                                         : 1;
        const std::optional<qint64> value = timesUnit(match.capturedView(1), unit);
        if (!value || total > kMostCount - *value)
            return std::nullopt;
        total += *value;
        at += match.capturedLength();
    }
    return QString::number(total);
}

std::optional<QString> readCount(const QString& cut) {
    QString text;
    for (const QChar c : cut) {
        if (!c.isSpace())
            text += c;
    }
    if (text.contains(u'亿') || text.contains(u'万'))
        return readUnits(QString(text).remove(u',').remove(u'，'));
    // Digits, or groups of three after the first behind one kind of separator.
    static const QRegularExpression grouped(
        QStringLiteral("^(?:\\d+|\\d{1,3}(?:,\\d{3})+|\\d{1,3}(?:\\.\\d{3})+|\\d{1,3}(?:，\\d{3})+|"
                       "\\d{1,3}(?:'\\d{3})+)$"));
    if (!grouped.match(text).hasMatch())
        return std::nullopt;
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    return ok ? std::optional(QString::number(value)) : std::nullopt;
}

} // namespace

QString valueKindName(ValueKind kind) {
    return platform::nameIn(kKinds, kind);
}

std::optional<ValueKind> valueKindFromName(QStringView name) {
    return platform::valueIn(kKinds, name);
}

std::optional<QString> readValue(ValueKind kind, const QString& text) {
    switch (kind) {
    case ValueKind::Text:
        return text;
    case ValueKind::Count:
        return readCount(text);
    }
    return std::nullopt;
}

} // namespace kelvane::query
