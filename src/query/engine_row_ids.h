#pragma once

#include "query/engine_row.h"

#include <QStringView>
#include <span>

// Which rows exist: the ids the procedures read and the kind of each.
namespace kelvane::query {

struct RowIdentity {
    const char16_t* id;
    EngineRowKind kind;
};

// Every row; a file can change them, not add to them.
std::span<const RowIdentity> rowIdentities();
// The row of that id, or null.
const RowIdentity* identityOf(QStringView id);

} // namespace kelvane::query
