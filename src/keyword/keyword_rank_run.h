#pragma once

#include "keyword/keyword_rank_search.h"
#include "keyword/keyword_rank_view.h"
#include "query/fetch_and_extract.h"

#include <QString>
#include <functional>

namespace kelvane::keyword {

// The text of an engine that is not ticked.
QString NotSelectedText();

// One engine's search, as KeywordRankSearch runs it; tests put fakes in its place.
using KeywordSearcher = std::function<RankSearchResult(query::EngineId engine, const QString& site,
                                                       const QString& keyword, int startPage,
                                                       int endPage, const ProgressSink& progress)>;

// The run behind the query button: clear, read the inputs, disable the button, search each
// ticked engine in EngineId order (progress into its result box, then the pump; then the final
// text and the small button), write "未选择" for the others, enable the button again. A failure
// escaping a searcher ends the run, with the button enabled again, and reaches the caller.
void RunKeywordRank(KeywordRankView& view, const query::EventPump& pump,
                    const KeywordSearcher& searcher = KeywordRankSearch);

// What a run reads before it starts.
struct KeywordRankInputs {
    QString site;
    QString keyword;
    int startPage = 0;
    int endPage = 0;
};

// RunKeywordRank in two halves, for a window that searches on a worker: the first clears, reads
// the inputs and disables the button (on the window's thread, before the click returns); the
// second searches, on any thread, and enables the button again however it ends.
KeywordRankInputs BeginKeywordRank(KeywordRankView& view);
void RunKeywordRankSearches(KeywordRankView& view, const KeywordRankInputs& inputs,
                            const query::EventPump& pump,
                            const KeywordSearcher& searcher = KeywordRankSearch);

} // namespace kelvane::keyword
