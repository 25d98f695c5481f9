// kelvane-cli: the console front end over the same engines as the desktop program.
#include "cli/command.h"
#include "cli/engines_command.h"
#include "cli/keyword_command.h"
#include "cli/lookup_commands.h"
#include "cli/site_command.h"
#include "net/exchange_settings.h"
#include "platform/console.h"
#include "platform/install_layout.h"
#include "platform/settings.h"
#include "query/engine_definitions.h"

#include <QCoreApplication>
#include <exception>
#include <optional>

namespace kelvane::cli {

namespace {

const Command kCommands[] = {
    {"site", "run the site query for a domain", runSiteCommand},
    {"keyword", "find a site's rank under a keyword in the search engines", runKeywordCommand},
    {"whois", "look up the whois record of a domain name", runWhoisCommand},
    {"ip", "show your own address, or what is known about an address", runIpCommand},
    {"engines", "list, export, check and test the engine definitions", runEnginesCommand},
};

QString overview() {
    QString text = QStringLiteral("Usage: kelvane-cli COMMAND [OPTIONS]\n\nCommands:\n");
    for (const Command& command : kCommands) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(8),
                         QString::fromLatin1(command.summary));
    }
    text +=
        QStringLiteral("\nEvery command takes --profile today|classic: the built-in engine rows "
                       "and hosts to use\n(today's pages, or the original's exactly), over "
                       "KELVANE_PROFILE and [engines] profile.\n");
    text += QStringLiteral("\nRun 'kelvane-cli COMMAND --help' for a command's options.\n");
    return text;
}

// Takes "--profile NAME" or "--profile=NAME" out of the arguments, wherever it stands; a bad or
// missing name is a usage error.
std::optional<QString> takeProfile(QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name;
        if (arguments[i] == u"--profile") {
            if (i + 1 >= arguments.size())
                return QStringLiteral("--profile needs today or classic");
            name = arguments.takeAt(i + 1);
        } else if (arguments[i].startsWith(u"--profile=")) {
            name = arguments[i].mid(10);
        } else {
            continue;
        }
        arguments.removeAt(i);
        const std::optional<platform::EngineProfile> profile = platform::profileFromName(name);
        if (!profile)
            return QStringLiteral("--profile %1: expected today or classic").arg(name);
        platform::overrideProfile(*profile);
        --i;
    }
    return std::nullopt;
}

} // namespace

int usageError(const QString& command, const QString& message) {
    platform::writeErr(
        QStringLiteral("kelvane-cli %1: %2\nTry 'kelvane-cli %1 --help'.\n").arg(command, message));
    return kExitUsage;
}

} // namespace kelvane::cli

int main(int argc, char** argv) {
    using namespace kelvane;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvane-cli"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const std::optional<QString> profileProblem = cli::takeProfile(arguments);
    if (arguments.isEmpty()) {
        platform::writeErr(cli::overview());
        return cli::kExitUsage;
    }
    const QString name = arguments.takeFirst();
    if (profileProblem)
        return cli::usageError(name, *profileProblem);
    const platform::Settings& settings = platform::currentSettings();
    net::setDefaultExchangeSettings(settings.exchange);
    for (const QString& problem : settings.problems)
        platform::writeErr(QStringLiteral("kelvane-cli: %1\n").arg(problem));
    // Scripts must not run on definitions other than the ones they named.
    if (const QStringList problems = query::useDefinitionsFile(settings.enginesFile);
        !problems.isEmpty()) {
        for (const QString& problem : problems)
            platform::writeErr(QStringLiteral("kelvane-cli: %1\n").arg(problem));
        return cli::kExitUsage;
    }
    if (name == u"--help" || name == u"-h" || name == u"help") {
        platform::writeOut(cli::overview());
        return cli::kExitOk;
    }
    for (const cli::Command& command : cli::kCommands) {
        if (name == QLatin1StringView(command.name)) {
            if (const QString problem = platform::enterWorkingFolder(); !problem.isEmpty())
                platform::writeErr(QStringLiteral("kelvane-cli: %1\n").arg(problem));
            try {
                return command.run(arguments);
            } catch (const std::exception& error) {
                platform::writeErr(QStringLiteral("kelvane-cli %1: %2\n")
                                       .arg(name, QString::fromUtf8(error.what())));
                return cli::kExitFailure;
            }
        }
    }
    platform::writeErr(QStringLiteral("kelvane-cli: unknown command '%1'\n\n").arg(name) +
                       cli::overview());
    return cli::kExitUsage;
}
