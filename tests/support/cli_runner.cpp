#include "support/cli_runner.h"

#include <QProcess>

namespace kelvane::test {

CliResult runCli(const QString& program, const QStringList& arguments, const QString& workingFolder,
                 int timeoutMs) {
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    CliResult result;
    if (!process.waitForStarted(timeoutMs))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace kelvane::test
