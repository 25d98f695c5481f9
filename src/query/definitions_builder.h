#pragma once

#include "query/engine_definitions.h"

#include <QJsonObject>
#include <QString>
#include <string>
#include <utility>

// Internal to the loading of engine definitions: how checked values become a set's rows.
namespace kelvane::query {

// Turns checked data into a set's rows, holding every text in the set.
class DefinitionsBuilder {
public:
    explicit DefinitionsBuilder(EngineDefinitions& into) : into_(into) {}

    const char16_t* text(const QString& value) {
        into_.texts_.emplace_back(reinterpret_cast<const char16_t*>(value.utf16()), value.size());
        return into_.texts_.back().c_str();
    }
    // Empty text: not given.
    const char16_t* optionalText(const QString& value) {
        return value.isEmpty() ? nullptr : text(value);
    }
    const BlockSigns* signs(const BlockSigns& value) {
        into_.signs_.push_back(value);
        return &into_.signs_.back();
    }
    void add(EngineRow row, QJsonObject object) {
        into_.rows_.push_back(std::move(row));
        into_.objects_.push_back(std::move(object));
    }

private:
    EngineDefinitions& into_;
};

// What a key's reader sees: the row being made, the built-in row it overrides.
struct RowContext {
    DefinitionsBuilder& builder;
    EngineRow& row;
    const QJsonObject* builtIn; // null while the built-ins themselves are read
    QString subPath;            // where in the value a problem lies, when deeper than the key
};

} // namespace kelvane::query
