#pragma once

#include "platform/regexp.h"
#include "query/engine_id.h"
#include "query/outcome.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <functional>

namespace kelvane::keyword {

// Receives each page's progress text before the page is requested. A window writes it into
// the engine's result box and lets the user interface process its pending events before
// returning, so the box repaints between pages.
using ProgressSink = std::function<void(const QString& text)>;

enum class RankSearchOutcome {
    Found,
    NotFound, // no page held the site, or no page was requested
    Failed,   // a failure inside the guarded region: the text is the engine's error text
};

// What one search returns.
struct RankSearchResult {
    // The rank text "搜索排名第 N 位" (N = 0 when not found) or the engine's error text.
    QString text;
    // The URL of the last result page requested; empty when none was built.
    QString lastUrl;
    RankSearchOutcome outcome = RankSearchOutcome::NotFound;
    // (p - 1) * 10 + n for the n-th entry of page p; 0 unless found.
    qint64 rank = 0;
    // The failure's own message, for diagnostics only; never shown in place of the text.
    QString errorMessage;
    // Why the text is what it is: ok when found, no-match when no page held the site, the
    // failure's reason otherwise (a block page included).
    query::Outcome why;
};

// The position (from 1) of the first result entry whose text, upper-cased by the locale,
// contains wantedSite (already upper-cased the same way); 0 when none does or it is empty.
qsizetype FirstEntryHoldingSite(const QList<platform::RegExpMatch>& entries,
                                const QString& wantedSite, const QLocale& locale);

// "搜索排名第 " + n + " 位".
QString RankText(qint64 rank);
// "正在查询第 " + page + " 页".
QString PageProgressText(qint64 page);

// Fetches the engine's result pages from startPage to endPage with one client, and stops at
// the first result entry that contains the site, ignoring case. Page numbers are not checked;
// an end before the start requests nothing. Failures inside the engine's guarded region become
// its error text; for Baidu and Google a failure before the first page reaches the caller.
RankSearchResult KeywordRankSearch(query::EngineId engine, const QString& site,
                                   const QString& keyword, int startPage, int endPage,
                                   const ProgressSink& progress);

// Test seam: sees each search's working state (client, buffer, matcher) come and go. onCreate
// runs just before the state is made and may throw, as a failed creation would.
struct WorkingStateWatch {
    std::function<void()> onCreate;
    std::function<void()> onRelease;
};

// Installs a watch for its lifetime; the previous one returns when it ends.
class ScopedWorkingStateWatch {
public:
    explicit ScopedWorkingStateWatch(WorkingStateWatch watch);
    ~ScopedWorkingStateWatch();
    ScopedWorkingStateWatch(const ScopedWorkingStateWatch&) = delete;
    ScopedWorkingStateWatch& operator=(const ScopedWorkingStateWatch&) = delete;

private:
    WorkingStateWatch watch_;
    const WorkingStateWatch* previous_;
};

} // namespace kelvane::keyword
