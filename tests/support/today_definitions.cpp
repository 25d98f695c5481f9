#include "support/today_definitions.h"

#include "platform/settings.h"

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

const query::EngineDefinitions& todayDefinitions() {
    return query::builtInDefinitions(platform::EngineProfile::Today);
}

QByteArray todayPage(const QString& name) {
    return readFile(QStringLiteral(KELVANE_FIXTURES_DIR "/today/") + name);
}

} // namespace kelvane::test
