#include "cli/site_command.h"

#include "cli/command.h"
#include "cli/site_report.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/host_config.h"
#include "query/domain_validation.h"
#include "query/grid_titles.h"
#include "query/site_query_driver.h"
#include "query/site_query_state.h"
#include "query/standard_probes.h"
#include "store/history.h"
#include "store/site_list.h"
#include "store/working_directory.h"

#include <QCommandLineParser>

namespace kelvane::cli {

namespace {

const QString kCommand = QStringLiteral("site");

struct OptionName {
    const char* name;
    bool SiteQueryOptions::*flag;
};

constexpr OptionName kOptionNames[] = {
    {"pagerank", &SiteQueryOptions::chkPageRank},   {"alexa", &SiteQueryOptions::chkAlexa},
    {"sogourank", &SiteQueryOptions::chkSogouRank}, {"chinarank", &SiteQueryOptions::chkChinaRank},
    {"baidu", &SiteQueryOptions::chkBaidu},         {"google", &SiteQueryOptions::chkGoogle},
    {"yahoo", &SiteQueryOptions::chkYahoo},         {"sogou", &SiteQueryOptions::chkSogou},
    {"soso", &SiteQueryOptions::chkSoso},           {"youdao", &SiteQueryOptions::chkYoudao},
    {"bing", &SiteQueryOptions::chkBing},
};

QString optionNameList() {
    QStringList names;
    for (const OptionName& option : kOptionNames)
        names << QString::fromLatin1(option.name);
    return names.join(u',');
}

// The options of a LIST, or an error text naming what is not an option.
std::optional<SiteQueryOptions> parseOptionList(const QString& list, QString& error) {
    if (list == u"all") {
        return SiteQueryOptions{true, true, true, true, true, true, true, true, true, true, true};
    }
    if (list == u"none") {
        return SiteQueryOptions{false, false, false, false, false, false,
                                false, false, false, false, false};
    }
    SiteQueryOptions options{false, false, false, false, false, false,
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
class ConsoleSiteView : public SiteQueryState {
public:
    explicit ConsoleSiteView(bool showProgress) : showProgress_(showProgress) {}

    void setStringGDCell(int column, int row, const QString& text) override {
        SiteQueryState::setStringGDCell(column, row, text);
        if (row > 0 && !text.isEmpty())
            progress(StringGDCell(column, 0).trimmed() + u' ' + StringGDCell(0, row), text);
    }
    void setLabelText(SiteLabel label, const QString& text) override {
        SiteQueryState::setLabelText(label, text);
        if (!text.isEmpty())
            progress(SiteLabelCaption(label), text);
    }

private:
    void progress(const QString& what, const QString& value) const {
        if (showProgress_)
            console::writeErr(QStringLiteral("  %1: %2\n").arg(what, value.simplified()));
    }

    bool showProgress_;
};

} // namespace

int runSiteCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Asks the search engines how they see DOMAIN: indexed pages and backlinks "
                       "in seven engines, PageRank, SogouRank, Alexa and ChinaRank, and whether "
                       "Baidu and Google list the home page first. When DOMAIN is one of the "
                       "sites in zenvo/website.txt, the result is appended to its history file, "
                       "as the desktop program does. Progress goes to standard error when it is "
                       "a terminal. A value that is not the page's answer (the engine could not be "
                       "reached, timed out, answered with an error or a block page, or the page "
                       "lacked the number) keeps the window's text; the table marks it with '*' "
                       "and standard error says why, the JSON lists it under \"failures\".\n\n"
                       "Exit status: 0 done, 1 failure, 2 usage error or a domain that is "
                       "refused, 3 done, but at least one answer could not be had."));
    parser.addPositionalArgument(QStringLiteral("DOMAIN"), QStringLiteral("the domain, as typed"));
    const QCommandLineOption optionsOption(
        QStringLiteral("options"),
        QStringLiteral("comma-separated options to query: %1, all, or none (default: "
                       "pagerank,alexa,baidu,google)")
            .arg(optionNameList()),
        QStringLiteral("LIST"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("print one JSON object"));
    parser.addOption(optionsOption);
    parser.addOption(jsonOption);
    const QCommandLineOption helpOption = parser.addHelpOption();

    if (!parser.parse(QStringList{QStringLiteral("kelvane-cli site")} + arguments))
        return usageError(kCommand, parser.errorText());
    if (parser.isSet(helpOption)) {
        console::writeOut(commandHelp(parser, kCommand));
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return usageError(kCommand, QStringLiteral("expected exactly one DOMAIN"));
    const QString domain = positional.first();
    if (!IsValidDomain(domain)) {
        console::writeErr(QStringLiteral("kelvane-cli site: '%1' is not a domain name the query "
                                         "accepts (letters, digits, '_', '.' and '-', ending in "
                                         "a label of letters)\n")
                              .arg(domain));
        return kExitUsage;
    }
    SiteQueryOptions options;
    if (parser.isSet(optionsOption)) {
        QString error;
        const std::optional<SiteQueryOptions> chosen =
            parseOptionList(parser.value(optionsOption), error);
        if (!chosen)
            return usageError(kCommand, error);
        options = *chosen;
    }

    const std::optional<QStringList> prepared = store::PrepareWorkingDirectory();
    ConsoleSiteView view(console::standardErrorIsTerminal());
    SetGridTitles(view);
    view.txtUrlList = prepared ? *prepared : store::ReadSiteList();
    view.txtUrl = domain;

    // A record that cannot be written must not cost the user the result: it is printed
    // first, and the lost record is reported after it.
    QStringList notSaved;
    SiteQueryDriver driver(
        view, options, StandardSiteQueryProbes({}),
        [&view, &notSaved](const QString& pageRank) {
            try {
                store::SaveToFile(view, pageRank);
            } catch (const EFileError& error) {
                notSaved.append(error.message());
            }
        },
        hosts::homeSiteHost());
    driver.run();
    const bool json = parser.isSet(jsonOption);
    console::writeOut(json ? SiteReportJson(view, driver.pageRank())
                           : SiteReportTable(view, driver.pageRank()));
    const QString marks = SiteReportMarks(view);
    if (!json && !marks.isEmpty())
        console::writeErr(QStringLiteral("kelvane-cli site: values marked %1 are not the page's "
                                         "answer:\n")
                              .arg(kOutcomeMark) +
                          marks);
    for (const QString& error : notSaved)
        console::writeErr(QStringLiteral("kelvane-cli site: the result was not saved to its "
                                         "history: %1\n")
                              .arg(error));
    // A lost record is worse than a value that is not the page's answer.
    if (!notSaved.isEmpty())
        return kExitFailure;
    return view.outcomes().hasFault() ? kExitIncomplete : kExitOk;
}

} // namespace kelvane::cli
