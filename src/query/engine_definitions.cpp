#include "query/engine_definitions.h"

#include "platform/errors.h"
#include "query/definition_keys.h"
#include "query/definitions_builder.h"
#include "query/engine_row_ids.h"
#include "query/json_positions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

namespace kelvane::query {

namespace {

const QString kBuiltInName = QStringLiteral("engines.json (built in)");

// The file being read, to place each problem.
class Reading {
public:
    Reading(QString file, const QByteArray& text) : file_(std::move(file)), text_(text) {}

    void setPositions() { positions_ = jsonPositions(text_); }

    void atOffset(qsizetype offset, const QString& problem) {
        const TextPlace place = placeOfOffset(text_, offset);
        problems.append({file_, place.line, place.column, problem});
    }

    // At the path, or the nearest enclosing place the scan found.
    void at(QString path, const QString& problem) {
        while (!path.isEmpty() && !positions_.contains(path))
            path.truncate(path.lastIndexOf(u'/'));
        atOffset(positions_.value(path, 0), problem);
    }

    QList<DefinitionsProblem> problems;

private:
    QString file_;
    const QByteArray& text_;
    QHash<QString, qsizetype> positions_;
};

std::mutex gSetsMutex;
// Every set ever put together lives on, so rows handed out never dangle; a program loads one
// or two.
std::deque<std::unique_ptr<EngineDefinitions>> gSets;
std::atomic<const EngineDefinitions*> gCurrent{nullptr};

const EngineDefinitions* keep(std::unique_ptr<EngineDefinitions> set) {
    std::lock_guard lock(gSetsMutex);
    gSets.push_back(std::move(set));
    return gSets.back().get();
}

struct Loaded {
    std::unique_ptr<EngineDefinitions> definitions;
    QList<DefinitionsProblem> problems;
};

// Reads a file over base (null: the file is the built-in set and must give every row whole).
Loaded load(const QByteArray& text, const QString& fileName, const EngineDefinitions* base) {
    Reading reading(fileName, text);
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reading.atOffset(parseError.offset, parseError.errorString());
        return {nullptr, reading.problems};
    }
    reading.setPositions();
    if (!document.isObject()) {
        reading.atOffset(0, QStringLiteral("the file must hold one object with \"rows\""));
        return {nullptr, reading.problems};
    }
    const QJsonObject top = document.object();
    for (const QString& key : top.keys()) {
        if (key != u"format" && key != u"note" && key != u"rows")
            reading.at(u'/' + key,
                       QStringLiteral("unknown key \"%1\" (format, note, rows)").arg(key));
    }
    if (top.contains(u"format") && top.value(u"format") != QJsonValue(1))
        reading.at(QStringLiteral("/format"), QStringLiteral("format must be 1"));
    if (top.contains(u"note") && !top.value(u"note").isString())
        reading.at(QStringLiteral("/note"), QStringLiteral("note must be a text"));
    if (top.contains(u"rows") && !top.value(u"rows").isArray())
        reading.at(QStringLiteral("/rows"), QStringLiteral("rows must be a list of objects"));

    // Start from the base's rows; a file row replaces the keys it names.
    std::vector<QString> ids;
    std::vector<QJsonObject> merged;
    std::vector<QHash<QString, QString>> pathOfKey; // key to its place in the file
    std::vector<QString> rowPath;
    if (base) {
        for (std::size_t i = 0; i < base->rows().size(); ++i) {
            ids.push_back(QString::fromUtf16(base->rows()[i].id));
            merged.push_back(base->rowObject(i));
            pathOfKey.emplace_back();
            rowPath.emplace_back();
        }
    }
    const QJsonArray rows = top.value(u"rows").toArray();
    QSet<QString> seen;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString path = QStringLiteral("/rows/%1").arg(i);
        const QJsonObject row = rows[i].toObject();
        const QString id = row.value(u"id").toString();
        if (!rows[i].isObject() || id.isEmpty()) {
            reading.at(path, QStringLiteral("a row must be an object with a text \"id\""));
            continue;
        }
        const RowIdentity* identity = identityOf(id);
        if (!identity) {
            reading.at(path + QStringLiteral("/id"), QStringLiteral("unknown row \"%1\"").arg(id));
            continue;
        }
        if (seen.contains(id)) {
            reading.at(path + QStringLiteral("/id"),
                       QStringLiteral("row \"%1\" is given twice").arg(id));
            continue;
        }
        seen.insert(id);
        auto found = std::find(ids.begin(), ids.end(), id);
        if (found == ids.end()) {
            ids.push_back(id);
            merged.emplace_back();
            pathOfKey.emplace_back();
            rowPath.emplace_back();
            found = ids.end() - 1;
        }
        const std::size_t index = found - ids.begin();
        rowPath[index] = path;
        QJsonObject& target = merged[index];
        target.insert(QStringLiteral("id"), id);
        for (auto it = row.begin(); it != row.end(); ++it) {
            if (it.key() == u"id")
                continue;
            const bool known =
                it.key() == u"note" || (base ? target.contains(it.key())
                                             : keyRuleFor(identity->kind, it.key()) != nullptr);
            if (!known) {
                reading.at(path + u'/' + it.key(),
                           QStringLiteral("unknown key \"%1\" for row \"%2\"").arg(it.key(), id));
                continue;
            }
            target.insert(it.key(), it.value());
            pathOfKey[index].insert(it.key(), path + u'/' + it.key());
        }
    }
    if (!base) {
        for (const RowIdentity& identity : rowIdentities()) {
            if (std::find(ids.begin(), ids.end(), QString::fromUtf16(identity.id)) == ids.end())
                reading.atOffset(
                    0,
                    QStringLiteral("row \"%1\" is missing").arg(QString::fromUtf16(identity.id)));
        }
    }
    // The rows that were read are still checked, so one pass names every problem.
    if (!base && !reading.problems.isEmpty())
        return {nullptr, reading.problems};

    auto set = std::make_unique<EngineDefinitions>();
    DefinitionsBuilder builder(*set);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EngineRow row;
        row.id = builder.text(ids[i]);
        row.kind = identityOf(ids[i])->kind;
        const QJsonObject* builtIn = base ? &base->rowObject(i) : nullptr;
        for (auto it = merged[i].begin(); it != merged[i].end(); ++it) {
            const KeyRule* rule = keyRuleFor(row.kind, it.key());
            if (!rule)
                continue; // id and note
            RowContext context{builder, row, builtIn, {}};
            const QString problem = rule->read(it.value(), context);
            if (problem.isEmpty())
                continue;
            const QString keyPath = pathOfKey[i].value(it.key(), rowPath[i]);
            reading.at(keyPath + context.subPath,
                       QStringLiteral("row \"%1\", %2: %3").arg(ids[i], it.key(), problem));
        }
        builder.add(std::move(row), merged[i]);
    }
    if (!reading.problems.isEmpty()) {
        std::stable_sort(reading.problems.begin(), reading.problems.end(),
                         [](const DefinitionsProblem& a, const DefinitionsProblem& b) {
                             return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                         });
        return {nullptr, reading.problems};
    }
    return {std::move(set), {}};
}

} // namespace

const EngineRow& EngineDefinitions::row(QStringView id) const {
    if (const EngineRow* found = find(id))
        return *found;
    throw platform::KelvaneError(QStringLiteral("No engine row \"%1\".").arg(id));
}

const EngineRow* EngineDefinitions::find(QStringView id) const {
    for (const EngineRow& candidate : rows_) {
        if (id == QStringView(candidate.id))
            return &candidate;
    }
    return nullptr;
}

QString DefinitionsProblem::toString() const {
    return QStringLiteral("%1:%2:%3: %4").arg(file).arg(line).arg(column).arg(text);
}

QByteArray builtInDefinitionsText() {
    QFile file(QStringLiteral(":/kelvane/engines.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

const EngineDefinitions& builtInDefinitions() {
    static const EngineDefinitions* const builtIn = [] {
        Loaded loaded = load(builtInDefinitionsText(), kBuiltInName, nullptr);
        if (!loaded.definitions) {
            QStringList lines;
            for (const DefinitionsProblem& problem : loaded.problems)
                lines << problem.toString();
            qFatal("%s", qPrintable(lines.join(u'\n')));
        }
        return keep(std::move(loaded.definitions));
    }();
    return *builtIn;
}

DefinitionsLoad loadDefinitions(const QByteArray& text, const QString& fileName) {
    Loaded loaded = load(text, fileName, &builtInDefinitions());
    if (!loaded.definitions)
        return {nullptr, loaded.problems};
    return {keep(std::move(loaded.definitions)), {}};
}

QList<DefinitionsProblem> checkDefinitions(const QByteArray& text, const QString& fileName) {
    return load(text, fileName, &builtInDefinitions()).problems;
}

DefinitionsLoad loadDefinitionsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {nullptr, {{path, 1, 1, QStringLiteral("the file cannot be read")}}};
    return loadDefinitions(file.readAll(), path);
}

const EngineDefinitions& currentDefinitions() {
    const EngineDefinitions* current = gCurrent.load();
    return current ? *current : builtInDefinitions();
}

void setCurrentDefinitions(const EngineDefinitions& definitions) {
    gCurrent.store(&definitions);
}

QStringList useDefinitionsFile(const QString& path) {
    setCurrentDefinitions(builtInDefinitions());
    if (path.isEmpty())
        return {};
    const DefinitionsLoad loaded = loadDefinitionsFile(path);
    QStringList lines;
    for (const DefinitionsProblem& problem : loaded.problems)
        lines << problem.toString();
    if (loaded.definitions)
        setCurrentDefinitions(*loaded.definitions);
    else
        lines << QStringLiteral("%1: the built-in engine definitions are used.").arg(path);
    return lines;
}

int minIntervalMsFor(const QString& hostKey) {
    int longest = 0;
    for (const EngineRow& row : currentDefinitions().rows()) {
        if (row.hostKey && hostKey == QStringView(row.hostKey))
            longest = std::max(longest, row.minIntervalMs);
    }
    return longest;
}

ScopedDefinitions::ScopedDefinitions(const EngineDefinitions& definitions)
    : previous_(&currentDefinitions()) {
    setCurrentDefinitions(definitions);
}

ScopedDefinitions::~ScopedDefinitions() {
    setCurrentDefinitions(*previous_);
}

} // namespace kelvane::query
