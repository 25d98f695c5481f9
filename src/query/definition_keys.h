#pragma once

#include "query/engine_row.h"

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

// The rule of a key on a row of that kind, or null. A kind's keys are the fetch keys every row
// may hold and a table of its own (keyword, lookup): a new kind of row adds its table, not
// branches in the readers.
const KeyRule* keyRuleFor(EngineRowKind kind, QStringView key);

} // namespace kelvane::query
