#include "cli/engines_command.h"

#include "cli/command.h"
#include "platform/console.h"
#include "platform/regexp.h"
#include "platform/settings.h"
#include "platform/text_codec.h"
#include "query/block_signs.h"
#include "query/count_probes.h"
#include "query/engine_definitions.h"
#include "query/outcome.h"
#include "query/strip_tokens.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

namespace kelvane::cli {

namespace {

const QString kCommand = QStringLiteral("engines");

const QString kDescription = QStringLiteral(
    "Works on the engine definitions: every host key, path, fetch mode, client option, pattern, "
    "token and block sign of the engines and services, as data.\n\n"
    "  list              one line per row of the definitions in use: id, host key, path, "
    "number of patterns\n"
    "  export            the built-in definitions, ready to copy and edit\n"
    "  check FILE        reads FILE as [engines] file= would; problems name file, line and "
    "column\n"
    "  test FILE PAGE... runs the rows of FILE (laid over the built-ins) over pages saved from a "
    "browser: a page named baidu.site.html runs row baidu.site, baidu.html every baidu row; "
    "--row ID runs one row over one page. Prints row, value, outcome and the pattern that "
    "matched. A page is decoded as the row's fetch mode says; for charset-text the page's own "
    "charset= declaration stands in for the Content-Type header (none: UTF-8).\n\n"
    "Exit status: 0 done (test: every row read its value), 2 usage error or a bad FILE, "
    "3 test: some row did not read its value.");

QString oneLine(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\t', QStringLiteral("\\t"));
    return text;
}

int list() {
    const query::EngineDefinitions& definitions = query::currentDefinitions();
    for (std::size_t i = 0; i < definitions.rows().size(); ++i) {
        const query::EngineRow& row = definitions.rows()[i];
        const QJsonObject& object = definitions.rowObject(i);
        platform::writeOut(
            // One multi-argument arg(): a path's own "%3A" must not be read as a placeholder.
            QStringLiteral("%1\t%2\t%3\t%4\n")
                .arg(QString::fromUtf16(row.id),
                     row.hostKey ? QString::fromUtf16(row.hostKey) : QStringLiteral("-"),
                     object.value(u"path").toString(QStringLiteral("-")),
                     QString::number(row.patterns.size())));
    }
    return kExitOk;
}

void printProblems(const QList<query::DefinitionsProblem>& problems) {
    for (const query::DefinitionsProblem& problem : problems)
        platform::writeErr(problem.toString() + u'\n');
}

int check(const QString& path) {
    const query::DefinitionsLoad loaded = query::loadDefinitionsFile(path);
    if (!loaded.definitions) {
        printProblems(loaded.problems);
        return kExitUsage;
    }
    platform::writeOut(QStringLiteral("%1: good\n").arg(path));
    return kExitOk;
}

// A saved page has no header; its own declaration says what the server's would have, and a
// page without one is taken as UTF-8, the form browsers save in.
QString declaredContentType(const QByteArray& page) {
    const QByteArray head = page.left(4096).toLower();
    const qsizetype at = head.indexOf("charset=");
    if (at < 0)
        return QStringLiteral("text/html; charset=utf-8");
    qsizetype start = at + 8;
    while (start < head.size() && QByteArrayView("\"' ").contains(head[start]))
        ++start;
    qsizetype end = start;
    while (end < head.size() && !QByteArrayView("\"' ;/>\r\n").contains(head[end]))
        ++end;
    return QStringLiteral("text/html; charset=") +
           QString::fromLatin1(head.mid(start, end - start));
}

// How the page was read, said beside the result: a wrong decoding is the first thing to rule
// out when a pattern finds nothing.
QString decodingOf(const QByteArray& bytes, query::FetchMode mode) {
    if (mode == query::FetchMode::Stream)
        return QStringLiteral("the ANSI code page (GBK)");
    return platform::isUtf8CharsetName(platform::pageCharset(declaredContentType(bytes)))
               ? QStringLiteral("UTF-8")
               : QStringLiteral("one character per byte");
}

platform::PageText decodedPage(const QByteArray& bytes, query::FetchMode mode) {
    return platform::PageText(query::DecodePage(bytes, mode, declaredContentType(bytes)));
}

struct RowResult {
    QString value;
    QString outcome;
    int patternIndex = -1;
};

// Rows of the other procedures: the first pattern that matches, its first match with the
// tokens cut; a keyword row gives the number of entries on the page.
RowResult matchRow(const query::EngineRow& row, const platform::PageText& page) {
    platform::TRegExp matcher;
    const bool keyword = row.kind == query::EngineRowKind::Keyword;
    matcher.setMultiline(keyword);
    matcher.setGlobal(keyword);
    matcher.setIgnoreCase(QStringView(row.id) == u"baidu.snapshot");
    for (std::size_t i = 0; i < row.patterns.size(); ++i) {
        matcher.setPattern(QString::fromUtf16(row.patterns[i]));
        const QList<platform::RegExpMatch> matches = matcher.Execute(page);
        if (matches.isEmpty())
            continue;
        if (keyword)
            return {QStringLiteral("%1 entries").arg(matches.size()),
                    query::reasonName(query::FallbackReason::None), static_cast<int>(i)};
        const QString value = query::StripTokens(matches.first().value, query::textsOf(row.tokens));
        return {value,
                query::reasonName(value.isEmpty() ? query::FallbackReason::EmptyAfterCut
                                                  : query::FallbackReason::None),
                static_cast<int>(i)};
    }
    if (row.patterns.empty())
        return {page.toString().trimmed(), query::reasonName(query::FallbackReason::None), -1};
    return {{}, query::reasonName(query::FallbackReason::NoMatch), -1};
}

RowResult runRow(const query::EngineRow& row, const QByteArray& bytes) {
    const query::FetchMode mode =
        row.kind == query::EngineRowKind::Lookup ? query::FetchMode::Stream : row.mode;
    // Signs are read on the bytes as saved, as the live path reads them on the bytes as
    // fetched: a stream row's title is then found whatever the page was saved in.
    if (row.blockSigns) {
        if (const auto sign = query::FindBlockSign(*row.blockSigns, {200, {}, {}, bytes}))
            return {row.fallback ? QString::fromUtf16(row.fallback) : QStringLiteral("0"),
                    query::reasonName(query::FallbackReason::Blocked) + u' ' + *sign, -1};
    }
    const platform::PageText page = decodedPage(bytes, mode);
    try {
        if (row.kind == query::EngineRowKind::Count) {
            for (const query::CountProbeSpec& spec : query::CountProbeSpecs()) {
                if (QStringView(spec.row->id) != QStringView(row.id))
                    continue;
                query::FetchRequest request = query::CountProbeRequest(spec, QString());
                request.url.clear();          // a saved page has no address to show a sign in
                request.blockSigns = nullptr; // read on the saved bytes above
                const query::FetchOutcome outcome = query::ExtractFromPage(request, page);
                return {outcome.value,
                        outcome.reason == query::FallbackReason::Blocked
                            ? query::reasonName(outcome.reason) + u' ' + outcome.detail
                            : query::reasonName(outcome.reason),
                        outcome.patternIndex};
            }
        }
        return matchRow(row, page);
    } catch (const std::exception& error) {
        return {{},
                query::reasonName(query::FallbackReason::MatcherFailure) + u' ' +
                    QString::fromUtf8(error.what()),
                -1};
    }
}

// The rows a page file names: its name without the extension is a row's id or the start of
// some ids ("baidu" for every baidu row).
QList<const query::EngineRow*> rowsNamedBy(const QString& pagePath) {
    const QString stem = QFileInfo(pagePath).completeBaseName();
    QList<const query::EngineRow*> rows;
    for (const query::EngineRow& row : query::currentDefinitions().rows()) {
        const QStringView id(row.id);
        if (id == stem || id.startsWith(stem + u'.'))
            rows << &row;
    }
    return rows;
}

int test(const QStringList& positional, const QString& onlyRow) {
    const query::DefinitionsLoad loaded = query::loadDefinitionsFile(positional.first());
    if (!loaded.definitions) {
        printProblems(loaded.problems);
        return kExitUsage;
    }
    const query::ScopedDefinitions inUse(*loaded.definitions);
    bool allRead = true;
    for (const QString& pagePath : positional.mid(1)) {
        QFile file(pagePath);
        if (!file.open(QIODevice::ReadOnly))
            return usageError(kCommand, QStringLiteral("cannot read %1").arg(pagePath));
        const QByteArray bytes = file.readAll();
        QList<const query::EngineRow*> rows;
        if (onlyRow.isEmpty())
            rows = rowsNamedBy(pagePath);
        else if (const query::EngineRow* row = loaded.definitions->find(onlyRow))
            rows << row;
        else
            return usageError(kCommand, QStringLiteral("no row \"%1\"").arg(onlyRow));
        if (rows.isEmpty())
            return usageError(kCommand,
                              QStringLiteral("no row is named by %1; name the page after a row "
                                             "(baidu.site.html) or use --row ID")
                                  .arg(QFileInfo(pagePath).fileName()));
        for (const query::EngineRow* row : rows) {
            const RowResult result = runRow(*row, bytes);
            platform::writeErr(QStringLiteral("kelvane-cli engines: %1 read as %2 for %3\n")
                                   .arg(QFileInfo(pagePath).fileName(),
                                        decodingOf(bytes, row->kind == query::EngineRowKind::Lookup
                                                              ? query::FetchMode::Stream
                                                              : row->mode),
                                        QString::fromUtf16(row->id)));
            allRead = allRead && result.outcome == query::reasonName(query::FallbackReason::None);
            platform::writeOut(
                QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(QString::fromUtf16(row->id), oneLine(result.value), result.outcome,
                         result.patternIndex < 0
                             ? QStringLiteral("-")
                             : QStringLiteral("pattern %1").arg(result.patternIndex + 1)));
        }
    }
    return allRead ? kExitOk : kExitIncomplete;
}

} // namespace

int runEnginesCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    parser.addPositionalArgument(QStringLiteral("ACTION"),
                                 QStringLiteral("list, export, check FILE or test FILE PAGE..."));
    const QCommandLineOption rowOption(QStringLiteral("row"),
                                       QStringLiteral("test: run only this row over the page"),
                                       QStringLiteral("ID"));
    parser.addOption(rowOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(QStringList{QStringLiteral("kelvane-cli ") + kCommand} + arguments))
        return usageError(kCommand, parser.errorText());
    if (parser.isSet(helpOption)) {
        platform::writeOut(commandHelp(parser, kCommand));
        return kExitOk;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(kCommand, QStringLiteral("expected list, export, check or test"));
    const QString action = positional.takeFirst();
    // On standard error, so the rows on standard output stay a file to read or to copy.
    if ((action == u"list" || action == u"export") && positional.isEmpty())
        platform::writeErr(QStringLiteral("kelvane-cli engines: profile %1\n")
                               .arg(platform::profileName(platform::currentSettings().profile)));
    if (action == u"list" && positional.isEmpty())
        return list();
    if (action == u"export" && positional.isEmpty()) {
        platform::writeOut(QString::fromUtf8(query::builtInDefinitionsText()));
        return kExitOk;
    }
    if (action == u"check" && positional.size() == 1)
        return check(positional.first());
    if (action == u"test" && positional.size() >= 2 &&
        (!parser.isSet(rowOption) || positional.size() == 2))
        return test(positional, parser.value(rowOption));
    return usageError(kCommand, QStringLiteral("expected list, export, check FILE, "
                                               "test FILE PAGE... or test FILE --row ID PAGE"));
}

} // namespace kelvane::cli
