#pragma once

#include "query/site_query_options.h"
#include "query/site_query_probes.h"
#include "query/site_query_view.h"

namespace kelvane::query {

// The sequence behind the query button: check the domain, run the probe of every ticked
// option in the fixed order, write each result as it arrives, then append the history.
class SiteQueryDriver {
public:
    // options is read live, flag by flag, as each step begins.
    SiteQueryDriver(SiteQueryView& view, const SiteQueryOptions& options, SiteQueryProbes probes,
                    SaveToFileHook saveToFile, QString homeSiteHost);

    // One run: begin(), then runSteps() when there is a domain to ask about.
    void run();

    // Clears the last result and checks the domain; a domain fit to ask about takes the query
    // button and the domain box and returns true, otherwise the box gets the home site's host.
    // A window calls it on its own thread, so the controls are taken before the click returns.
    static bool begin(SiteQueryView& view, const QString& homeSiteHost);

    // The probes and the history record, on any thread. An error escaping a probe or the
    // record writer ends the run with the query button and the domain box enabled again, and
    // reaches the caller.
    void runSteps();

    // The PageRank the last run kept for the history record (0 when unticked or refused).
    int pageRank() const { return pageRank_; }

private:
    void runProbes(const QString& domain);
    int queryPageRank(const QString& domain);
    void querySogouRank(const QString& domain);
    void queryTextLabel(bool ticked, const TextProbe& probe, SiteLabel label,
                        const QString& domain);
    void queryEngine(EngineId engine, const QString& domain);
    void saveHistory(int pageRank);

    SiteQueryView& view_;
    const SiteQueryOptions& options_;
    SiteQueryProbes probes_;
    SaveToFileHook saveToFile_;
    QString homeSiteHost_;
    int pageRank_ = 0;
};

} // namespace kelvane::query
