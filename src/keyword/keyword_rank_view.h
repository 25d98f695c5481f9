#pragma once

#include "keyword/keyword_rank_search.h"
#include "query/engine_id.h"

#include <QString>

namespace kelvane::keyword {

// What the keyword ranking run reads and writes, named after the controls the window binds to
// it. A window, the console front end and a test each implement it; every write shows at once.
class KeywordRankView {
public:
    virtual ~KeywordRankView() = default;

    // txtUrl and txtKeyword, as typed or picked.
    virtual QString txtUrlText() const = 0;
    virtual QString txtKeywordText() const = 0;
    // seStart and seEnd as whole numbers.
    virtual int seStartValue() const = 0;
    virtual int seEndValue() const = 0;
    // The engine's check box, read when the run reaches that engine.
    virtual bool engineTicked(query::EngineId engine) const = 0;

    virtual void setBtnCXEnabled(bool enabled) = 0;
    // clear: the seven result boxes empty, the seven small buttons hidden.
    virtual void clear() = 0;
    // The engine's result box (txtBaidu ... txtBing): a page's progress text while the engine
    // is searched, "未选择" when it is not ticked.
    virtual void setResultText(query::EngineId engine, const QString& text) = 0;
    // The engine's search has returned: its final text into the result box, its lastUrl kept
    // for the small button, the small button shown.
    virtual void searchDone(query::EngineId engine, const RankSearchResult& result) = 0;
};

} // namespace kelvane::keyword
