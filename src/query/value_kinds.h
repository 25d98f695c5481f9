#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace kelvane::query {

// What a row's value must look like before it is shown or stored. Text is the value as cut,
// as every row of the original reads it.
enum class ValueKind { Text, Count };

QString valueKindName(ValueKind kind);
std::optional<ValueKind> valueKindFromName(QStringView name);

// The value as its kind reads it, or none when the text is not of the kind. A count comes back
// as plain digits: group separators dropped ("2,848", "449.000.000"), 亿 and 万 multiplied out
// ("1亿2345万", "1.2万").
std::optional<QString> readValue(ValueKind kind, const QString& text);

} // namespace kelvane::query
