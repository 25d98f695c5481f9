#pragma once

#include "query/engine_definitions.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

// Internal to the loading of engine definitions: a file read and laid over a base set.
namespace kelvane::query {

struct OverlaidSet {
    std::unique_ptr<EngineDefinitions> definitions; // null when there are problems
    QList<DefinitionsProblem> problems;             // in file order, each with line and column
};

// Reads a file over base, row by id and key by key (null: the file is the built-in set and
// must give every row whole).
OverlaidSet overlayDefinitions(const QByteArray& text, const QString& fileName,
                               const EngineDefinitions* base);

} // namespace kelvane::query
