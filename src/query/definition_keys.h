#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringView>

// The keys a row of the engine definitions may hold, each with the reader that checks its
// value and puts it into the row.
namespace kelvane::query {

struct RowContext;

struct KeyRule {
    const char16_t* name;
    // Empty when the value is good; otherwise what is wrong with it.
    QString (*read)(const QJsonValue& value, RowContext& context);
};

// The rule of a key, or null.
const KeyRule* keyRuleFor(QStringView key);

} // namespace kelvane::query
