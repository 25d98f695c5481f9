#include "support/today_definitions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QByteArray todayDefinitionsText() {
    return readFile(QStringLiteral(KELVANE_FIXTURES_DIR "/../../data/engines-today.json"));
}

QByteArray todayDefinitionsTextWithoutPlannedKeys() {
    QJsonObject top = QJsonDocument::fromJson(todayDefinitionsText()).object();
    QJsonArray rows = top.value(u"rows").toArray();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QJsonObject row = rows[i].toObject();
        for (const QString& key : kPlannedRowKeys)
            row.remove(key);
        rows[i] = row;
    }
    top.insert(QStringLiteral("rows"), rows);
    return QJsonDocument(top).toJson();
}

const query::EngineDefinitions& todayDefinitions() {
    // Every set loaded lives as long as the process; load this one once.
    static const query::DefinitionsLoad load = query::loadDefinitions(
        todayDefinitionsTextWithoutPlannedKeys(), QStringLiteral("engines-today.json"));
    EXPECT_TRUE(load.problems.isEmpty())
        << (load.problems.isEmpty() ? std::string()
                                    : load.problems.first().toString().toStdString());
    return load.definitions ? *load.definitions : query::builtInDefinitions();
}

QByteArray todayPage(const QString& name) {
    return readFile(QStringLiteral(KELVANE_FIXTURES_DIR "/today/") + name);
}

} // namespace kelvane::test
