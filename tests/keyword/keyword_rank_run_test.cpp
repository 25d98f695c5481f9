#include "keyword/keyword_rank_run.h"

#include <array>
#include <gtest/gtest.h>
#include <stdexcept>

namespace kelvane {
namespace {

// The window's controls as plain values, with a log of every write in order.
class FakeView : public keyword::KeywordRankView {
public:
    QString txtUrlText() const override { return site; }
    QString txtKeywordText() const override { return keyword; }
    int seStartValue() const override { return start; }
    int seEndValue() const override { return end; }
    bool engineTicked(query::EngineId engine) const override { return ticked[index(engine)]; }
    void setBtnCXEnabled(bool enabled) override {
        btnCX = enabled;
        log << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
    }
    void clear() override {
        results.fill(QString());
        buttons.fill(false);
        log << QStringLiteral("clear");
    }
    void setResultText(query::EngineId engine, const QString& text) override {
        results[index(engine)] = text;
        log << QStringLiteral("%1 %2").arg(index(engine)).arg(text);
    }
    void searchDone(query::EngineId engine, const keyword::RankSearchResult& result) override {
        results[index(engine)] = result.text;
        lastUrls[index(engine)] = result.lastUrl;
        buttons[index(engine)] = true;
        log << QStringLiteral("%1 done %2").arg(index(engine)).arg(result.text);
    }
    static std::size_t index(query::EngineId engine) { return static_cast<std::size_t>(engine); }

    QString site = QStringLiteral("ab.example");
    QString keyword = QStringLiteral("kw");
    int start = 1;
    int end = 5;
    std::array<bool, query::kEngineCount> ticked{true, true, false, false, false, false, false};
    bool btnCX = true;
    std::array<QString, query::kEngineCount> results;
    std::array<QString, query::kEngineCount> lastUrls;
    std::array<bool, query::kEngineCount> buttons{};
    QStringList log;
};

// A searcher that reports two pages and returns the rank of the engine's index.
keyword::RankSearchResult twoPages(query::EngineId engine, const QString&, const QString&, int, int,
                                   const keyword::ProgressSink& progress) {
    progress(keyword::PageProgressText(1));
    progress(keyword::PageProgressText(2));
    const auto n = static_cast<qint64>(engine);
    return {keyword::RankText(n),
            QStringLiteral("http://e%1/").arg(n),
            keyword::RankSearchOutcome::Found,
            n,
            {},
            {}};
}

TEST(RunKeywordRank, InitialTicksSearchBaiduThenGoogleAndMarkTheRest) {
    FakeView view;
    int pumps = 0;
    QList<query::EngineId> searched;
    keyword::RunKeywordRank(
        view,
        [&] {
            ++pumps;
            view.log << QStringLiteral("pump");
        },
        [&](query::EngineId engine, const QString& site, const QString& keyword, int start, int end,
            const keyword::ProgressSink& progress) {
            searched << engine;
            EXPECT_EQ(site, view.site);
            EXPECT_EQ(keyword, view.keyword);
            EXPECT_EQ(start, 1);
            EXPECT_EQ(end, 5);
            EXPECT_FALSE(view.btnCX) << "disabled while searching";
            return twoPages(engine, site, keyword, start, end, progress);
        });
    EXPECT_EQ(searched, (QList<query::EngineId>{query::EngineId::Baidu, query::EngineId::Google}));
    EXPECT_EQ(pumps, 4);
    EXPECT_EQ(view.log, (QStringList{
                            QStringLiteral("clear"),
                            QStringLiteral("disable"),
                            QStringLiteral("0 正在查询第 1 页"),
                            QStringLiteral("pump"),
                            QStringLiteral("0 正在查询第 2 页"),
                            QStringLiteral("pump"),
                            QStringLiteral("0 done 搜索排名第 0 位"),
                            QStringLiteral("1 正在查询第 1 页"),
                            QStringLiteral("pump"),
                            QStringLiteral("1 正在查询第 2 页"),
                            QStringLiteral("pump"),
                            QStringLiteral("1 done 搜索排名第 1 位"),
                            QStringLiteral("2 未选择"),
                            QStringLiteral("3 未选择"),
                            QStringLiteral("4 未选择"),
                            QStringLiteral("5 未选择"),
                            QStringLiteral("6 未选择"),
                            QStringLiteral("enable"),
                        }));
    EXPECT_EQ(view.lastUrls[1], QStringLiteral("http://e1/"));
    EXPECT_TRUE(view.buttons[0] && view.buttons[1] && !view.buttons[2]);
}

TEST(RunKeywordRank, NothingTickedSearchesNothing) {
    FakeView view;
    view.ticked.fill(false);
    view.lastUrls[3] = QStringLiteral("http://kept/");
    keyword::RunKeywordRank(view, {},
                            [](query::EngineId, const QString&, const QString&, int, int,
                               const keyword::ProgressSink&) -> keyword::RankSearchResult {
                                ADD_FAILURE() << "no engine is ticked";
                                return {};
                            });
    for (const QString& text : view.results)
        EXPECT_EQ(text, QStringLiteral("未选择"));
    for (const bool shown : view.buttons)
        EXPECT_FALSE(shown);
    EXPECT_EQ(view.lastUrls[3], QStringLiteral("http://kept/")) << "left as it was";
    EXPECT_TRUE(view.btnCX);
}

TEST(RunKeywordRank, EscapingFailureEndsTheRunWithTheButtonEnabled) {
    FakeView view;
    view.ticked.fill(true);
    view.results[3] = QStringLiteral("old");
    const auto searcher = [](query::EngineId engine, const QString& site, const QString& keyword,
                             int start, int end, const keyword::ProgressSink& progress) {
        if (engine == query::EngineId::Google)
            throw std::runtime_error("escaped");
        return twoPages(engine, site, keyword, start, end, progress);
    };
    EXPECT_THROW(keyword::RunKeywordRank(view, {}, searcher), std::runtime_error);
    EXPECT_TRUE(view.btnCX);
    EXPECT_EQ(view.results[0], QStringLiteral("搜索排名第 0 位"));
    for (std::size_t i = 2; i < query::kEngineCount; ++i)
        EXPECT_TRUE(view.results[i].isEmpty()) << "engine " << i << " neither searched nor marked";
}

// The pump runs user input: a box ticked meanwhile counts for the engines not yet reached.
TEST(RunKeywordRank, TicksChangedDuringTheRunCountForLaterEngines) {
    FakeView view;
    keyword::RunKeywordRank(
        view,
        [&] {
            view.ticked[6] = true;
            view.ticked[0] = false;
        },
        twoPages);
    EXPECT_EQ(view.results[0], QStringLiteral("搜索排名第 0 位"));
    EXPECT_EQ(view.results[6], QStringLiteral("搜索排名第 6 位"));
    EXPECT_EQ(view.results[5], QStringLiteral("未选择"));
}

TEST(RunKeywordRank, ClearHidesLastRunsButtons) {
    FakeView view;
    view.buttons.fill(true);
    view.ticked.fill(false);
    view.ticked[4] = true;
    keyword::RunKeywordRank(view, {}, twoPages);
    for (std::size_t i = 0; i < query::kEngineCount; ++i)
        EXPECT_EQ(view.buttons[i], i == 4) << "engine " << i;
}

} // namespace
} // namespace kelvane
