#include "cli/site_command.h"

#include "cli/batch_run.h"
#include "cli/command.h"
#include "cli/listed_sites.h"
#include "cli/site_report.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/host_config.h"
#include "platform/locale_format.h"
#include "platform/settings.h"
#include "query/domain_validation.h"
#include "query/engine_id.h"
#include "query/grid_titles.h"
#include "query/site_query_driver.h"
#include "query/site_query_state.h"
#include "query/standard_probes.h"
#include "store/history.h"
#include "store/history_csv.h"
#include "store/history_outcomes.h"
#include "store/site_list.h"
#include "store/working_directory.h"

#include <QCommandLineParser>
#include <limits>

namespace kelvane::cli {

namespace {

const QString kCommand = QStringLiteral("site");

struct OptionName {
    const char* name;
    query::Tick query::SiteQueryOptions::*flag;
};

constexpr OptionName kOptionNames[] = {
    {"pagerank", &query::SiteQueryOptions::chkPageRank},
    {"alexa", &query::SiteQueryOptions::chkAlexa},
    {"sogourank", &query::SiteQueryOptions::chkSogouRank},
    {"chinarank", &query::SiteQueryOptions::chkChinaRank},
    {"baidu", &query::SiteQueryOptions::chkBaidu},
    {"google", &query::SiteQueryOptions::chkGoogle},
    {"yahoo", &query::SiteQueryOptions::chkYahoo},
    {"sogou", &query::SiteQueryOptions::chkSogou},
    {"soso", &query::SiteQueryOptions::chkSoso},
    {"youdao", &query::SiteQueryOptions::chkYoudao},
    {"bing", &query::SiteQueryOptions::chkBing},
};

QString optionNameList() {
    QStringList names;
    for (const OptionName& option : kOptionNames)
        names << QString::fromLatin1(option.name);
    return names.join(u',');
}

// The options of a LIST, or an error text naming what is not an option.
std::optional<query::SiteQueryOptions> parseOptionList(const QString& list, QString& error) {
    if (list == u"all") {
        return query::SiteQueryOptions{true, true, true, true, true, true,
                                       true, true, true, true, true};
    }
    if (list == u"none") {
        return query::SiteQueryOptions{false, false, false, false, false, false,
                                       false, false, false, false, false};
    }
    query::SiteQueryOptions options{false, false, false, false, false, false,
                                    false, false, false, false, false};
    for (const QString& item : list.split(u',')) {
        const OptionName* found = nullptr;
        for (const OptionName& option : kOptionNames) {
            if (item.trimmed() == QLatin1StringView(option.name))
                found = &option;
        }
        if (!found) {
            error = QStringLiteral("'%1' is not an option; choose from %2, all or none")
                        .arg(item, optionNameList());
            return std::nullopt;
        }
        options.*found->flag = true;
    }
    return options;
}

// The in-memory view, telling a person on a terminal what has arrived.
class ConsoleSiteView : public query::SiteQueryState {
public:
    explicit ConsoleSiteView(bool showProgress) : showProgress_(showProgress) {}

    void setStringGDCell(int column, int row, const QString& text) override {
        query::SiteQueryState::setStringGDCell(column, row, text);
        if (row > 0 && !text.isEmpty())
            progress(StringGDCell(column, 0).trimmed() + u' ' + StringGDCell(0, row), text);
    }
    void setLabelText(query::SiteLabel label, const QString& text) override {
        query::SiteQueryState::setLabelText(label, text);
        if (!text.isEmpty())
            progress(SiteLabelCaption(label), text);
    }

private:
    void progress(const QString& what, const QString& value) const {
        if (showProgress_)
            platform::writeErr(QStringLiteral("  %1: %2\n").arg(what, value.simplified()));
    }

    bool showProgress_;
};

enum class Format { Table, Json, Csv };

// How every site of a run is reported.
struct SiteRunShape {
    query::SiteQueryOptions options;
    Format format = Format::Table;
    // Several sites: each one's output names it.
    bool batch = false;
    // One site on a terminal: each value as it arrives.
    bool cellProgress = false;
    QStringList siteList;
};

QString csvHeader() {
    QStringList titles{QStringLiteral("domain")};
    for (const char16_t* engine : query::kEngineKeys)
        titles << QString::fromUtf16(engine);
    titles << QStringLiteral("pagerank") << QStringLiteral("sogourank") << QStringLiteral("alexa")
           << QStringLiteral("chinarank") << QStringLiteral("time") << QStringLiteral("failures");
    return store::CsvRow(titles);
}

// One site's query, its history record and what the console shows of it.
BatchItemResult querySite(const QString& domain, const SiteRunShape& shape) {
    ConsoleSiteView view(shape.cellProgress);
    query::SetGridTitles(view);
    view.txtUrlList = shape.siteList;
    view.txtUrl = domain;

    // A record that cannot be written must not cost the user the result: it is printed
    // first, and the lost record is reported after it.
    QStringList notSaved;
    QStringList record;
    query::SiteQueryDriver driver(
        view, shape.options, query::StandardSiteQueryProbes({}),
        [&view, &notSaved, &record](const QString& pageRank) {
            try {
                record = store::SaveToFile(view, pageRank);
            } catch (const platform::EFileError& error) {
                notSaved.append(error.message());
            }
        },
        platform::homeSiteHost());
    driver.run();

    BatchItemResult result;
    const QString who = shape.batch ? QStringLiteral("kelvane-cli site: %1: ").arg(domain)
                                    : QStringLiteral("kelvane-cli site: ");
    switch (shape.format) {
    case Format::Json:
        result.out = SiteReportJson(view, driver.pageRank(), shape.batch ? domain : QString());
        break;
    case Format::Csv: {
        if (record.isEmpty()) {
            record =
                store::HistoryRecordFields(view, QString::number(driver.pageRank()),
                                           platform::defaultDateTimeText(platform::localNow()));
        }
        while (record.size() < store::kPlainRecordFields + 1)
            record << QString();
        result.out = store::CsvRow(QStringList{domain} + record);
        break;
    }
    case Format::Table: {
        if (shape.batch)
            result.out = QStringLiteral("== %1 ==\n").arg(domain);
        result.out += SiteReportTable(view, driver.pageRank());
        if (shape.batch)
            result.out += u'\n';
        const QString marks = SiteReportMarks(view);
        if (!marks.isEmpty())
            result.err =
                who +
                QStringLiteral("values marked %1 are not the page's answer:\n").arg(kOutcomeMark) +
                marks;
        break;
    }
    }
    for (const QString& error : notSaved)
        result.err +=
            who + QStringLiteral("the result was not saved to its history: %1\n").arg(error);
    // A lost record is worse than a value that is not the page's answer.
    if (!notSaved.isEmpty())
        result.status = kExitFailure;
    else
        result.status = view.outcomes().hasFault() ? kExitIncomplete : kExitOk;
    return result;
}

QString refusedDomainText(const QString& domain) {
    return QStringLiteral("kelvane-cli site: '%1' is not a domain name the query accepts (letters, "
                          "digits, '_', '.' and '-', ending in a label of letters)\n")
        .arg(domain);
}

} // namespace

int runSiteCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Asks the search engines how they see DOMAIN: indexed pages and backlinks "
        "in seven engines, PageRank, SogouRank, Alexa and ChinaRank, and whether "
        "Baidu and Google list the home page first. When DOMAIN is one of the "
        "sites in zenvo/website.txt, the result is appended to its history file, "
        "as the desktop program does. Progress goes to standard error when it is "
        "a terminal. A value that is not the page's answer (the engine could not be "
        "reached, timed out, answered with an error or a block page, or the page "
        "lacked the number) keeps the window's text; the table marks it with '*' "
        "and standard error says why, the JSON lists it under \"failures\".\n\n"
        "Several DOMAINs, or --all-listed, make a batch: up to --jobs sites are "
        "queried at once, each exactly as alone, and reported in the order given "
        "(each table headed by its domain, each JSON object with \"domain\"). "
        "Requests to one host keep [network] min_interval_ms (plus up to "
        "jitter_ms) between their starts; a host that answers with its block page "
        "rests for block_pause_s, one that answers 429 or 403 for refusal_pause_s, "
        "and the probes that would ask it meanwhile end blocked (detail: paused).\n\n"
        "Exit status: 0 done, 1 failure, 2 usage error or a domain that is "
        "refused, 3 done, but at least one answer could not be had; for a batch, "
        "the worst of its sites'."));
    parser.addPositionalArgument(QStringLiteral("DOMAIN"), QStringLiteral("the domain, as typed"),
                                 QStringLiteral("DOMAIN..."));
    const QCommandLineOption optionsOption(
        QStringLiteral("options"),
        QStringLiteral("comma-separated options to query: %1, all, or none (default: "
                       "pagerank,alexa,baidu,google)")
            .arg(optionNameList()),
        QStringLiteral("LIST"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("print one JSON object per site and line"));
    const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        QStringLiteral("print a header and one CSV row per site: the domain, the twelve history "
                       "fields and the failure field (empty when every value is the page's "
                       "answer)"));
    const QCommandLineOption allListedOption(
        QStringLiteral("all-listed"),
        QStringLiteral("query every site of zenvo/website.txt; an entry that is no domain name "
                       "is reported and skipped"));
    const QCommandLineOption retryFailedOption(
        QStringLiteral("retry-failed"),
        QStringLiteral("with --all-listed: only the sites whose newest history record names a "
                       "failure"));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("query up to N sites at once, 1 to %1 (default: 1)").arg(kMaxJobs),
        QStringLiteral("N"));
    for (const QCommandLineOption& option :
         {optionsOption, jsonOption, csvOption, allListedOption, retryFailedOption, jobsOption})
        parser.addOption(option);
    const QCommandLineOption helpOption = parser.addHelpOption();

    if (!parser.parse(QStringList{QStringLiteral("kelvane-cli site")} + arguments))
        return usageError(kCommand, parser.errorText());
    if (parser.isSet(helpOption)) {
        platform::writeOut(commandHelp(parser, kCommand));
        return kExitOk;
    }
    const bool allListed = parser.isSet(allListedOption);
    const QStringList positional = parser.positionalArguments();
    if (allListed && !positional.isEmpty())
        return usageError(kCommand, QStringLiteral("give DOMAINs or --all-listed, not both"));
    if (!allListed && positional.isEmpty())
        return usageError(kCommand, QStringLiteral("expected a DOMAIN"));
    if (parser.isSet(retryFailedOption) && !allListed)
        return usageError(kCommand, QStringLiteral("--retry-failed goes with --all-listed"));
    if (parser.isSet(jsonOption) && parser.isSet(csvOption))
        return usageError(kCommand, QStringLiteral("choose --json or --csv, not both"));
    for (const QString& domain : positional) {
        if (!query::IsValidDomain(domain)) {
            platform::writeErr(refusedDomainText(domain));
            return kExitUsage;
        }
    }
    SiteRunShape shape;
    if (parser.isSet(optionsOption)) {
        QString error;
        const std::optional<query::SiteQueryOptions> chosen =
            parseOptionList(parser.value(optionsOption), error);
        if (!chosen)
            return usageError(kCommand, error);
        shape.options = *chosen;
    }
    BatchOptions batch;
    if (parser.isSet(jobsOption)) {
        QString error;
        const std::optional<int> jobs = parseJobs(parser.value(jobsOption), error);
        if (!jobs)
            return usageError(kCommand, error);
        batch.jobs = *jobs;
    }

    const std::optional<QStringList> prepared = store::PrepareWorkingDirectory();
    shape.siteList = prepared ? *prepared : store::ReadSiteList();
    QStringList domains = positional;
    if (allListed) {
        const ListedSites listed = selectListedSites(
            shape.siteList, parser.isSet(retryFailedOption)
                                ? std::function<bool(const QString&)>(newestRecordFailed)
                                : std::function<bool(const QString&)>());
        for (const QString& refused : listed.refused)
            platform::writeErr(
                QStringLiteral("kelvane-cli site: %1 in zenvo/website.txt; skipped\n")
                    .arg(refused));
        domains = listed.domains;
    }
    shape.format = parser.isSet(jsonOption)  ? Format::Json
                   : parser.isSet(csvOption) ? Format::Csv
                                             : Format::Table;
    shape.batch = allListed || domains.size() > 1;
    const bool terminal = platform::standardErrorIsTerminal();
    shape.cellProgress = terminal && !shape.batch;
    batch.progress = terminal && shape.batch;

    if (shape.format == Format::Csv)
        platform::writeOut(csvHeader());
    query::Pacer pacer(query::pacingRulesFrom(platform::currentSettings().pacing));
    return runBatch(static_cast<int>(domains.size()), batch, pacer,
                    [&](int index) { return querySite(domains.at(index), shape); });
}

} // namespace kelvane::cli
