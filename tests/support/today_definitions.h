#pragma once

#include "query/engine_definitions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kelvane::test {

// The keys data/engines-today.json carries for the profile switch that the loader does not
// read yet.
// TODO(profile): drop once the loader reads "closed", "value" and "headers".
inline const QStringList kPlannedRowKeys = {QStringLiteral("closed"), QStringLiteral("value"),
                                            QStringLiteral("headers")};

// The file's bytes as committed.
QByteArray todayDefinitionsText();
// The file without the planned keys, as the current loader accepts it.
QByteArray todayDefinitionsTextWithoutPlannedKeys();
// That text loaded over the built-ins; fails the test and gives the built-ins on a problem.
const query::EngineDefinitions& todayDefinitions();
// A page under tests/fixtures/today.
QByteArray todayPage(const QString& name);

} // namespace kelvane::test
