#include "cli/command.h"

#include <QCommandLineParser>

namespace kelvane::cli {

QString commandHelp(const QCommandLineParser& parser, const QString& command) {
    QString help = parser.helpText();
    const qsizetype lineEnd = help.indexOf(u'\n');
    const QString usage = help.left(lineEnd);
    const qsizetype options = usage.indexOf(QStringLiteral(" ["));
    const QString rest = options >= 0 ? usage.mid(options) : QString();
    return QStringLiteral("Usage: kelvane-cli ") + command + rest + help.mid(lineEnd);
}

} // namespace kelvane::cli
