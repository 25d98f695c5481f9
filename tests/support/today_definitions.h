#pragma once

#include "query/engine_definitions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kelvane::test {

// The file's bytes as committed.
QByteArray todayDefinitionsText();
// The today profile's built-in set, whatever profile the test runs under.
const query::EngineDefinitions& todayDefinitions();
// A page under tests/fixtures/today.
QByteArray todayPage(const QString& name);

} // namespace kelvane::test
