#include "cli/keyword_command.h"

#include "cli/batch_run.h"
#include "cli/command.h"
#include "keyword/keyword_engines.h"
#include "keyword/keyword_rank_run.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/settings.h"
#include "platform/text_file.h"
#include "store/history_csv.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <array>
#include <optional>

namespace kelvane::cli {

namespace {

const QString kCommand = QStringLiteral("keyword");
// The window's spin boxes hold pages 1 to 100.
constexpr int kFirstPage = 1;
constexpr int kLastPage = 100;

using EngineSet = std::array<bool, query::kEngineCount>;

QString engineNameList() {
    QStringList names;
    for (const query::EngineId engine : query::kAllEngines)
        names << QStringView(keyword::KeywordEngine(engine).name).toString();
    return names.join(u',');
}

std::optional<EngineSet> parseEngineList(const QString& list, QString& error) {
    EngineSet chosen{};
    if (list == u"all") {
        chosen.fill(true);
        return chosen;
    }
    for (const QString& item : list.split(u',')) {
        const keyword::KeywordEngineSpec* spec = keyword::KeywordEngineNamed(item.trimmed());
        if (!spec) {
            error = QStringLiteral("'%1' is not an engine; choose from %2 or all")
                        .arg(item, engineNameList());
            return std::nullopt;
        }
        chosen[static_cast<std::size_t>(spec->engine)] = true;
    }
    return chosen;
}

struct PageRange {
    int first;
    int last;
};

std::optional<PageRange> parsePageRange(const QString& text, QString& error) {
    static const QRegularExpression kRange(QStringLiteral("^(\\d{1,3})-(\\d{1,3})$"));
    const QRegularExpressionMatch match = kRange.match(text);
    const PageRange range{match.hasMatch() ? match.captured(1).toInt() : 0,
                          match.hasMatch() ? match.captured(2).toInt() : 0};
    if (!match.hasMatch() || range.first < kFirstPage || range.first > kLastPage ||
        range.last < kFirstPage || range.last > kLastPage) {
        error = QStringLiteral("'%1' is not a page range; write FIRST-LAST with pages %2 to %3")
                    .arg(text)
                    .arg(kFirstPage)
                    .arg(kLastPage);
        return std::nullopt;
    }
    return range;
}

struct EngineResult {
    query::EngineId engine;
    keyword::RankSearchResult result;
};

// The inputs of the run, and what it tells a person on a terminal while it goes.
class ConsoleKeywordView : public keyword::KeywordRankView {
public:
    ConsoleKeywordView(QString site, QString keyword, PageRange pages, EngineSet engines,
                       bool showProgress)
        : site_(std::move(site)), keyword_(std::move(keyword)), pages_(pages), engines_(engines),
          showProgress_(showProgress) {}

    QString txtUrlText() const override { return site_; }
    QString txtKeywordText() const override { return keyword_; }
    int seStartValue() const override { return pages_.first; }
    int seEndValue() const override { return pages_.last; }
    bool engineTicked(query::EngineId engine) const override {
        return engines_[static_cast<std::size_t>(engine)];
    }
    void setBtnCXEnabled(bool) override {}
    void clear() override { results_.clear(); }
    void setResultText(query::EngineId engine, const QString& text) override {
        // A ticked engine's box receives only progress; the final text comes with searchDone.
        if (showProgress_ && engineTicked(engine))
            platform::writeErr(QStringLiteral("%1: %2\n").arg(nameOf(engine), text));
    }
    void searchDone(query::EngineId engine, const keyword::RankSearchResult& result) override {
        results_.append({engine, result});
    }

    const QList<EngineResult>& results() const { return results_; }
    static QString nameOf(query::EngineId engine) {
        return QStringView(keyword::KeywordEngine(engine).name).toString();
    }

private:
    QString site_;
    QString keyword_;
    PageRange pages_;
    EngineSet engines_;
    bool showProgress_;
    QList<EngineResult> results_;
};

struct Query {
    QString site;
    QString keyword;
};

// With a query, a batch's line: it names the site and the keyword too.
QString jsonLines(const QList<EngineResult>& results, const std::optional<Query>& query = {}) {
    QString out;
    for (const EngineResult& entry : results) {
        QJsonObject object;
        if (query) {
            object.insert(QStringLiteral("site"), query->site);
            object.insert(QStringLiteral("keyword"), query->keyword);
        }
        object.insert(QStringLiteral("engine"), ConsoleKeywordView::nameOf(entry.engine));
        object.insert(QStringLiteral("text"), entry.result.text);
        object.insert(QStringLiteral("lastUrl"), entry.result.lastUrl);
        object.insert(QStringLiteral("rank"),
                      entry.result.outcome == keyword::RankSearchOutcome::Failed
                          ? QJsonValue(QJsonValue::Null)
                          : QJsonValue(entry.result.rank));
        object.insert(QStringLiteral("reason"), query::reasonName(entry.result.why.reason));
        if (!entry.result.why.detail.isEmpty())
            object.insert(QStringLiteral("detail"), entry.result.why.detail);
        out += QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
    }
    return out;
}

QString table(const QList<EngineResult>& results) {
    int nameWidth = 0;
    int textWidth = 0;
    for (const EngineResult& entry : results) {
        nameWidth =
            std::max(nameWidth, platform::displayWidth(ConsoleKeywordView::nameOf(entry.engine)));
        textWidth = std::max(textWidth, platform::displayWidth(entry.result.text));
    }
    QString out;
    for (const EngineResult& entry : results) {
        const QString name = ConsoleKeywordView::nameOf(entry.engine);
        QString line =
            name + QString(nameWidth - platform::displayWidth(name) + 2, u' ') + entry.result.text;
        if (!entry.result.lastUrl.isEmpty()) {
            line += QString(textWidth - platform::displayWidth(entry.result.text) + 2, u' ') +
                    entry.result.lastUrl;
        }
        out += line + u'\n';
    }
    return out;
}

QString csvHeader() {
    return store::CsvRow({QStringLiteral("site"), QStringLiteral("keyword"),
                          QStringLiteral("engine"), QStringLiteral("text"),
                          QStringLiteral("lastUrl"), QStringLiteral("rank"),
                          QStringLiteral("reason"), QStringLiteral("detail")});
}

QString csvRows(const QList<EngineResult>& results, const Query& query) {
    QString out;
    for (const EngineResult& entry : results) {
        const keyword::RankSearchResult& result = entry.result;
        out += store::CsvRow({query.site, query.keyword, ConsoleKeywordView::nameOf(entry.engine),
                              result.text, result.lastUrl,
                              result.outcome == keyword::RankSearchOutcome::Failed
                                  ? QString()
                                  : QString::number(result.rank),
                              query::reasonName(result.why.reason), result.why.detail});
    }
    return out;
}

// The exit status of one search run: the worst of its engines', a failure over a fault over
// done, as a batch ranks its items.
int statusOf(const QList<EngineResult>& results) {
    int status = kExitOk;
    for (const EngineResult& entry : results) {
        const query::FallbackReason reason = entry.result.why.reason;
        if (query::isFault(reason))
            status = worseStatus(status, kExitIncomplete);
        else if (entry.result.outcome == keyword::RankSearchOutcome::Failed &&
                 reason != query::FallbackReason::NotConfigured &&
                 reason != query::FallbackReason::Closed)
            status = worseStatus(status, kExitFailure);
    }
    return status;
}

// The lines "SITE<TAB>KEYWORD" of a list; blank lines are passed over. None, and the error
// text, for a line without a tab or with an empty side.
std::optional<QList<Query>> readQueryList(const QString& path, QString& error) {
    QString text;
    try {
        text = platform::decodeText(platform::readFileBytes(path));
    } catch (const platform::EFileError& failure) {
        error = failure.message();
        return std::nullopt;
    }
    QList<Query> queries;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0 || tab == line.size() - 1) {
            error = QStringLiteral("%1, line %2: expected SITE<TAB>KEYWORD").arg(path).arg(i + 1);
            return std::nullopt;
        }
        queries.append({line.left(tab), line.mid(tab + 1)});
    }
    return queries;
}

enum class Format { Table, Json, Csv };

// One line of a list, searched and reported as a batch item.
BatchItemResult searchOne(const Query& query, PageRange pages, const EngineSet& engines,
                          Format format) {
    ConsoleKeywordView view(query.site, query.keyword, pages, engines, false);
    BatchItemResult result;
    const auto print = [&] {
        switch (format) {
        case Format::Json:
            result.out = jsonLines(view.results(), query);
            break;
        case Format::Csv:
            result.out = csvRows(view.results(), query);
            break;
        case Format::Table:
            result.out = QStringLiteral("== %1\t%2 ==\n").arg(query.site, query.keyword) +
                         table(view.results()) + u'\n';
            break;
        }
    };
    try {
        keyword::RunKeywordRank(view, {});
    } catch (const std::exception& error) {
        print();
        result.err = QStringLiteral("kelvane-cli keyword: %1\t%2: %3\n")
                         .arg(query.site, query.keyword, QString::fromUtf8(error.what()));
        result.status = kExitFailure;
        return result;
    }
    print();
    result.status = statusOf(view.results());
    return result;
}

} // namespace

int runKeywordCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds the position at which SITE is first listed when the search engines "
                       "are asked for KEYWORD, over a range of result pages, as the keyword "
                       "ranking window does. A result entry counts when it contains SITE, "
                       "ignoring case; SITE is used as typed. Prints one line per engine, in "
                       "engine order: the engine, the rank text (0 when not found) or the "
                       "engine's error text, and the last result page requested. Progress goes "
                       "to standard error when it is a terminal.\n\nExit status: 0 every search "
                       "ran to its end (or its engine has no host configured), 1 a search failed "
                       "otherwise (its error text is printed), 2 usage error, 3 a search could "
                       "not get its pages (no connection, time-out, an HTTP error, a body too "
                       "large, a block page).\n\nWith --file, every line SITE<TAB>KEYWORD of the "
                       "list is searched, up to --jobs at once, each exactly as alone, and "
                       "reported in list order (each JSON line with \"site\" and \"keyword\"); "
                       "requests keep the settings' pacing and a host that refused rests, as for "
                       "the site command. The exit status is then the worst of the lines'."));
    parser.addPositionalArgument(QStringLiteral("SITE"), QStringLiteral("the site, as typed"));
    parser.addPositionalArgument(QStringLiteral("KEYWORD"), QStringLiteral("the keyword"));
    const QCommandLineOption enginesOption(
        QStringLiteral("engines"),
        QStringLiteral("comma-separated engines to search: %1, or all (default: baidu,google)")
            .arg(engineNameList()),
        QStringLiteral("LIST"));
    const QCommandLineOption pagesOption(
        QStringLiteral("pages"),
        QStringLiteral("result pages to search, each %1 to %2; a LAST below FIRST searches "
                       "nothing (default: 1-5)")
            .arg(kFirstPage)
            .arg(kLastPage),
        QStringLiteral("FIRST-LAST"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("print one JSON object per engine and line: engine, text, lastUrl, rank "
                       "(null when the search failed), reason (ok, no-match, connect, timeout, "
                       "http, too-large, blocked, not-configured) and detail where there is one"));
    const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        QStringLiteral("print a header and one CSV row per engine: site, keyword, engine, text, "
                       "lastUrl, rank, reason, detail"));
    const QCommandLineOption fileOption(
        QStringLiteral("file"),
        QStringLiteral("search every line SITE<TAB>KEYWORD of LIST instead of one SITE and "
                       "KEYWORD"),
        QStringLiteral("LIST"));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("with --file: search up to N lines at once, 1 to %1 (default: 1)")
            .arg(kMaxJobs),
        QStringLiteral("N"));
    for (const QCommandLineOption& option :
         {enginesOption, pagesOption, jsonOption, csvOption, fileOption, jobsOption})
        parser.addOption(option);
    const QCommandLineOption helpOption = parser.addHelpOption();

    if (!parser.parse(QStringList{QStringLiteral("kelvane-cli keyword")} + arguments))
        return usageError(kCommand, parser.errorText());
    if (parser.isSet(helpOption)) {
        platform::writeOut(commandHelp(parser, kCommand));
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    const bool fromFile = parser.isSet(fileOption);
    if (fromFile && !positional.isEmpty())
        return usageError(kCommand, QStringLiteral("give SITE and KEYWORD or --file, not both"));
    if (!fromFile && positional.size() != 2)
        return usageError(kCommand, QStringLiteral("expected SITE and KEYWORD"));
    if (parser.isSet(jsonOption) && parser.isSet(csvOption))
        return usageError(kCommand, QStringLiteral("choose --json or --csv, not both"));

    QString error;
    EngineSet engines{};
    engines[static_cast<std::size_t>(query::EngineId::Baidu)] = true;
    engines[static_cast<std::size_t>(query::EngineId::Google)] = true;
    if (parser.isSet(enginesOption)) {
        const std::optional<EngineSet> chosen = parseEngineList(parser.value(enginesOption), error);
        if (!chosen)
            return usageError(kCommand, error);
        engines = *chosen;
    }
    PageRange pages{1, 5};
    if (parser.isSet(pagesOption)) {
        const std::optional<PageRange> chosen = parsePageRange(parser.value(pagesOption), error);
        if (!chosen)
            return usageError(kCommand, error);
        pages = *chosen;
    }

    const Format format = parser.isSet(jsonOption)  ? Format::Json
                          : parser.isSet(csvOption) ? Format::Csv
                                                    : Format::Table;
    BatchOptions batch;
    if (parser.isSet(jobsOption)) {
        const std::optional<int> jobs = parseJobs(parser.value(jobsOption), error);
        if (!jobs)
            return usageError(kCommand, error);
        batch.jobs = *jobs;
    }
    if (fromFile || format == Format::Csv) {
        QList<Query> queries{{positional.value(0), positional.value(1)}};
        if (fromFile) {
            const std::optional<QList<Query>> read = readQueryList(parser.value(fileOption), error);
            if (!read)
                return usageError(kCommand, error);
            queries = *read;
        }
        batch.progress = fromFile && platform::standardErrorIsTerminal();
        if (format == Format::Csv)
            platform::writeOut(csvHeader());
        query::Pacer pacer(query::pacingRulesFrom(platform::currentSettings().pacing));
        return runBatch(static_cast<int>(queries.size()), batch, pacer, [&](int index) {
            return searchOne(queries.at(index), pages, engines, format);
        });
    }

    // One search, reported as ever, paced as a batch is.
    query::Pacer pacer(query::pacingRulesFrom(platform::currentSettings().pacing));
    const query::ScopedPacer paced(&pacer);
    ConsoleKeywordView view(positional[0], positional[1], pages, engines,
                            platform::standardErrorIsTerminal());
    const auto print = [&] {
        platform::writeOut(parser.isSet(jsonOption) ? jsonLines(view.results())
                                                    : table(view.results()));
    };
    try {
        keyword::RunKeywordRank(view, {});
    } catch (const std::exception&) {
        // The engines done so far are worth showing; the failure is reported by the caller.
        print();
        throw;
    }
    print();
    return statusOf(view.results());
}

} // namespace kelvane::cli
