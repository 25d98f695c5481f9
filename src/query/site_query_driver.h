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

    // One run. An error escaping a probe or the record writer ends the run with the query
    // button and the domain box enabled again, and reaches the caller.
    void run();

    // The PageRank the last run kept for the history record (0 when unticked or refused).
    int pageRank() const { return pageRank_; }

private:
    void clearPreviousResult();
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
