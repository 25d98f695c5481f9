#include "cli/lookup_commands.h"

#include "cli/command.h"
#include "lookup/lookups.h"
#include "platform/console.h"
#include "query/outcome.h"

#include <QCommandLineParser>
#include <optional>

namespace kelvane::cli {

namespace {

const QString kExitStatusHelp =
    QStringLiteral("The text is printed exactly as the window's memo would hold it (CR LF line "
                   "ends included), UTF-8, followed by one line feed.\n\nExit status: 0 the "
                   "service answered, 1 the lookup failed (the window's failure text is printed "
                   "and the reason goes to standard error), 2 usage error.");

QString reasonText(const query::FetchOutcome& outcome) {
    switch (outcome.reason) {
    case query::FallbackReason::EmptyAfterCut:
        return QStringLiteral("the service sent an empty record");
    case query::FallbackReason::None:
        return {};
    default:
        return outcome.errorMessage.simplified();
    }
}

int report(const QString& command, const query::FetchOutcome& outcome) {
    platform::writeOut(outcome.value + u'\n');
    if (!outcome.fellBack())
        return kExitOk;
    platform::writeErr(QStringLiteral("kelvane-cli %1: lookup failed: %2 (reason: %3)\n")
                           .arg(command, reasonText(outcome), query::reasonName(outcome.reason)));
    return kExitFailure;
}

// The positional arguments, or none after printing help or a usage error into `exitCode`.
std::optional<QStringList> parse(QCommandLineParser& parser, const QString& command,
                                 const QStringList& arguments, int& exitCode) {
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(QStringList{QStringLiteral("kelvane-cli ") + command} + arguments)) {
        exitCode = usageError(command, parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(helpOption)) {
        platform::writeOut(commandHelp(parser, command));
        exitCode = kExitOk;
        return std::nullopt;
    }
    return parser.positionalArguments();
}

} // namespace

int runWhoisCommand(const QStringList& arguments) {
    const QString command = QStringLiteral("whois");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Looks up the whois record of NAME on the web whois service, as the "
                       "domain lookup window does: every lower-case \"www.\" is dropped from "
                       "NAME and the record is cut out of the page. Each wait for data lasts at "
                       "most 2 seconds, so a silent service is given up after 4 (one wait for "
                       "the answer, one for its body); a service that answers slowly is given "
                       "up when the whole exchange passes its deadline, deadline_ms in the "
                       "[network] section of the settings file (20 seconds unless set).\n\n") +
        kExitStatusHelp);
    parser.addPositionalArgument(QStringLiteral("NAME"),
                                 QStringLiteral("the domain name, as typed (may be empty)"));
    int exitCode = kExitOk;
    const std::optional<QStringList> positional = parse(parser, command, arguments, exitCode);
    if (!positional)
        return exitCode;
    if (positional->size() != 1)
        return usageError(command, QStringLiteral("expected exactly one NAME"));
    return report(command, lookup::WhoisLookupOutcome(positional->first()));
}

int runIpCommand(const QStringList& arguments) {
    const QString command = QStringLiteral("ip");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Without ADDRESS, shows your own public address as the IP lookup window "
                       "does when it opens; with ADDRESS (an IP address or a host name, every "
                       "\"http://\" dropped), what the service says about it. The service is "
                       "given up when the whole exchange passes its deadline, deadline_ms in the "
                       "[network] section of the settings file (20 seconds unless set); without "
                       "ADDRESS, also when a wait for data lasts 5 seconds (a silent service: "
                       "10 seconds, one wait for the answer and one for its body).\n\n") +
        kExitStatusHelp);
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("the address or host name, as typed"),
                                 QStringLiteral("[ADDRESS]"));
    int exitCode = kExitOk;
    const std::optional<QStringList> positional = parse(parser, command, arguments, exitCode);
    if (!positional)
        return exitCode;
    if (positional->size() > 1)
        return usageError(command, QStringLiteral("expected at most one ADDRESS"));
    return report(command, positional->isEmpty() ? lookup::OwnIpLookupOutcome()
                                                 : lookup::IpLookupOutcome(positional->first()));
}

} // namespace kelvane::cli
