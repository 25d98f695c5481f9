#include "query/definitions_overlay.h"

#include "query/definition_keys.h"
#include "query/definitions_builder.h"
#include "query/engine_row_ids.h"
#include "query/json_positions.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <utility>
#include <vector>

namespace kelvane::query {

namespace {

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

// A row with the file's keys laid over the base's, and where in the file each came from.
struct LaidRow {
    QString id;
    QJsonObject object;
    QHash<QString, QString> pathOfKey;
    QString path; // the file's row; empty when the file leaves the row out
};

void checkTop(const QJsonObject& top, Reading& reading) {
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
}

// Start from the base's rows; a file row replaces the keys it names.
std::vector<LaidRow> layRows(const QJsonObject& top, const EngineDefinitions* base,
                             Reading& reading) {
    std::vector<LaidRow> laid;
    if (base) {
        for (std::size_t i = 0; i < base->rows().size(); ++i)
            laid.push_back({QString::fromUtf16(base->rows()[i].id), base->rowObject(i), {}, {}});
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
        auto found = std::find_if(laid.begin(), laid.end(),
                                  [&](const LaidRow& candidate) { return candidate.id == id; });
        if (found == laid.end()) {
            laid.push_back({id, {}, {}, {}});
            found = laid.end() - 1;
        }
        found->path = path;
        QJsonObject& target = found->object;
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
            found->pathOfKey.insert(it.key(), path + u'/' + it.key());
        }
    }
    if (!base) {
        for (const RowIdentity& identity : rowIdentities()) {
            const QString id = QString::fromUtf16(identity.id);
            if (std::none_of(laid.begin(), laid.end(),
                             [&](const LaidRow& row) { return row.id == id; }))
                reading.atOffset(0, QStringLiteral("row \"%1\" is missing").arg(id));
        }
    }
    return laid;
}

// Every key of every row through its reader.
std::unique_ptr<EngineDefinitions> buildRows(const std::vector<LaidRow>& laid,
                                             const EngineDefinitions* base, Reading& reading) {
    auto set = std::make_unique<EngineDefinitions>();
    DefinitionsBuilder builder(*set);
    for (std::size_t i = 0; i < laid.size(); ++i) {
        EngineRow row;
        row.id = builder.text(laid[i].id);
        row.kind = identityOf(laid[i].id)->kind;
        const QJsonObject* builtIn = base ? &base->rowObject(i) : nullptr;
        for (auto it = laid[i].object.begin(); it != laid[i].object.end(); ++it) {
            const KeyRule* rule = keyRuleFor(row.kind, it.key());
            if (!rule)
                continue; // id and note
            RowContext context{builder, row, builtIn, {}};
            const QString problem = rule->read(it.value(), context);
            if (problem.isEmpty())
                continue;
            const QString keyPath = laid[i].pathOfKey.value(it.key(), laid[i].path);
            reading.at(keyPath + context.subPath,
                       QStringLiteral("row \"%1\", %2: %3").arg(laid[i].id, it.key(), problem));
        }
        builder.add(std::move(row), laid[i].object);
    }
    return set;
}

} // namespace

OverlaidSet overlayDefinitions(const QByteArray& text, const QString& fileName,
                               const EngineDefinitions* base) {
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
    checkTop(top, reading);
    const std::vector<LaidRow> laid = layRows(top, base, reading);
    // The rows that were read are still checked, so one pass names every problem.
    if (!base && !reading.problems.isEmpty())
        return {nullptr, reading.problems};
    std::unique_ptr<EngineDefinitions> set = buildRows(laid, base, reading);
    if (!reading.problems.isEmpty()) {
        std::stable_sort(reading.problems.begin(), reading.problems.end(),
                         [](const DefinitionsProblem& a, const DefinitionsProblem& b) {
                             return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                         });
        return {nullptr, reading.problems};
    }
    return {std::move(set), {}};
}

} // namespace kelvane::query
