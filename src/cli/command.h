#pragma once

#include <QStringList>

class QCommandLineParser;

namespace kelvane::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// The run finished, but at least one answer could not be had (no connection, time-out, an
// HTTP error, a body too large, a block page).
inline constexpr int kExitIncomplete = 3;

// One sub-command: its arguments after the command name, its exit status.
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

// Prints a usage error with the command's help hint; returns kExitUsage.
int usageError(const QString& command, const QString& message);

// The parser's help with the command's own name in its usage line: Qt writes the program's
// path there.
QString commandHelp(const QCommandLineParser& parser, const QString& command);

} // namespace kelvane::cli
