#pragma once

#include "platform/settings.h"
#include "query/block_signs.h"
#include "query/derived_tables.h"
#include "query/engine_row.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <deque>
#include <string>
#include <vector>

// Every per-engine fact (hosts, paths, modes, client options, patterns, tokens, block signs) as
// data: the built-in set compiled in from data/engines.json, and a user's file laid over it
// row by row and key by key.
namespace kelvane::query {

class EngineDefinitions {
public:
    EngineDefinitions() = default;
    EngineDefinitions(const EngineDefinitions&) = delete;
    EngineDefinitions& operator=(const EngineDefinitions&) = delete;

    const std::vector<EngineRow>& rows() const { return rows_; }
    // Every id the procedures read is present in every set.
    const EngineRow& row(QStringView id) const;
    const EngineRow* find(QStringView id) const;
    // The row as data, every key given: what the file would say.
    const QJsonObject& rowObject(std::size_t index) const { return objects_[index]; }
    bool sameAs(const EngineDefinitions& other) const { return objects_ == other.objects_; }

    // A table a procedure derives from this set (its tables of rows), built once and kept with it.
    template <typename Table> const Table& derived(Table (*build)(const EngineDefinitions&)) const {
        return derived_.get<Table>([&] { return build(*this); });
    }

private:
    friend class DefinitionsBuilder;

    std::deque<std::u16string> texts_;
    std::deque<BlockSigns> signs_;
    std::vector<EngineRow> rows_;
    std::vector<QJsonObject> objects_;
    mutable DerivedTables derived_;
};

// A problem of a definitions file, as "FILE:LINE:COLUMN: text".
struct DefinitionsProblem {
    QString file;
    int line = 1;
    int column = 1;
    QString text;
    QString toString() const;
};

struct DefinitionsLoad {
    const EngineDefinitions* definitions = nullptr; // null when there are problems
    QList<DefinitionsProblem> problems;
};

// The built-in file's bytes, as compiled in; what `engines export` prints. Without a profile:
// the one in force ([engines] profile, KELVANE_PROFILE, --profile).
QByteArray builtInDefinitionsText(platform::EngineProfile profile);
QByteArray builtInDefinitionsText();
const EngineDefinitions& builtInDefinitions(platform::EngineProfile profile);
const EngineDefinitions& builtInDefinitions();

// The built-ins with a file's rows laid over them: rows and keys it leaves out keep their
// built-in values. An unknown key or id, a wrong type, a missing or unknown placeholder or a
// pattern the matcher rejects is a problem naming the file, line and column.
DefinitionsLoad loadDefinitions(const QByteArray& text, const QString& fileName);
DefinitionsLoad loadDefinitionsFile(const QString& path);
// The same problems, keeping nothing: a set put together only to be checked is dropped.
QList<DefinitionsProblem> checkDefinitions(const QByteArray& text, const QString& fileName);

// The set the procedures read: the built-ins until a file is put in place.
const EngineDefinitions& currentDefinitions();
void setCurrentDefinitions(const EngineDefinitions& definitions);

// Puts the file of `[engines] file` in place (an empty path: the built-ins). On problems the
// built-ins stay and the problems come back, one line each.
QStringList useDefinitionsFile(const QString& path);

// The least time between two requests to a host, in milliseconds: the largest any row of the
// current set asks for that host key; 0 when none does.
int minIntervalMsFor(const QString& hostKey);

// Puts a set in place for a scope (tests), then the one before.
class ScopedDefinitions {
public:
    explicit ScopedDefinitions(const EngineDefinitions& definitions);
    ~ScopedDefinitions();
    ScopedDefinitions(const ScopedDefinitions&) = delete;
    ScopedDefinitions& operator=(const ScopedDefinitions&) = delete;

private:
    const EngineDefinitions* previous_;
};

} // namespace kelvane::query
