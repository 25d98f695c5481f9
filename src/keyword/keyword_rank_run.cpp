#include "keyword/keyword_rank_run.h"

namespace kelvane::keyword {

namespace {

// Enables the query button again however the run ends.
class ButtonEnabledAgain {
public:
    explicit ButtonEnabledAgain(KeywordRankView& view) : view_(view) {}
    ~ButtonEnabledAgain() { view_.setBtnCXEnabled(true); }
    ButtonEnabledAgain(const ButtonEnabledAgain&) = delete;
    ButtonEnabledAgain& operator=(const ButtonEnabledAgain&) = delete;

private:
    KeywordRankView& view_;
};

} // namespace

QString NotSelectedText() {
    return QStringLiteral("未选择");
}

void RunKeywordRank(KeywordRankView& view, const query::EventPump& pump,
                    const KeywordSearcher& searcher) {
    RunKeywordRankSearches(view, BeginKeywordRank(view), pump, searcher);
}

KeywordRankInputs BeginKeywordRank(KeywordRankView& view) {
    view.clear();
    KeywordRankInputs inputs{view.txtUrlText(), view.txtKeywordText(), view.seStartValue(),
                             view.seEndValue()};
    view.setBtnCXEnabled(false);
    return inputs;
}

void RunKeywordRankSearches(KeywordRankView& view, const KeywordRankInputs& inputs,
                            const query::EventPump& pump, const KeywordSearcher& searcher) {
    const ButtonEnabledAgain enableAgain(view);
    for (const query::EngineId engine : query::kAllEngines) {
        if (!view.engineTicked(engine)) {
            view.setResultText(engine, NotSelectedText());
            continue;
        }
        const ProgressSink progress = [&view, &pump, engine](const QString& text) {
            view.setResultText(engine, text);
            if (pump)
                pump();
        };
        const RankSearchResult result = searcher(engine, inputs.site, inputs.keyword,
                                                 inputs.startPage, inputs.endPage, progress);
        view.searchDone(engine, result);
    }
}

} // namespace kelvane::keyword
