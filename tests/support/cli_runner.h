#pragma once

#include <QString>
#include <QStringList>

namespace kelvane::test {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the console front end in a working folder, with the environment of the test (so a
// HostsOverride reaches it), and waits at most timeoutMs for it.
CliResult runCli(const QString& program, const QStringList& arguments, const QString& workingFolder,
                 int timeoutMs = 60000);

} // namespace kelvane::test
