#include "query/outcome_text.h"
#include "store/history_chart_data.h"
#include "store/history_csv.h"
#include "store/history_grid.h"
#include "store/history_outcomes.h"

#include <gtest/gtest.h>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

// Oldest first: a clean run, a run where Baidu blocked the site page and Alexa timed out, a
// run whose Alexa answer held a comma (thirteen fields, none of them outcomes), and a run
// where only the page lacked the number.
const QList<QStringList> kNewestFirst = {
    u"5/6,7/8,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,1,000,未选,2024/1/4,baidu.site=no-match"_s
        .split(u','),
    u"5/6,7/8,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,12,345,未选,2024/1/3"_s.split(
        u','),
    u"0/6,7/8,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,查询失败,未选,2024/1/2,"
    u"baidu.site=blocked;baidu.snapshot=blocked;alexa=timeout"_s.split(u','),
    u"5/6,7/8,未选/未选,未选/未选,未选/未选,未选/未选,未选/未选,3,0,99,未选,2024/1/1"_s.split(u','),
};

TEST(HistoryOutcomes, OnlyAWellFormedLastFieldPastTheTwelfthIsRead) {
    EXPECT_EQ(
        HistoryRecordOutcomes(kNewestFirst[2]),
        (QMap<QString, query::FallbackReason>{{u"baidu.site"_s, query::FallbackReason::Blocked},
                                              {u"baidu.snapshot"_s, query::FallbackReason::Blocked},
                                              {u"alexa"_s, query::FallbackReason::TimedOut}}));
    EXPECT_TRUE(HistoryRecordOutcomes(kNewestFirst[1]).isEmpty()) << "a comma in a value";
    EXPECT_TRUE(HistoryRecordOutcomes(kNewestFirst[3]).isEmpty());
    const QString plain = u"1/2,1/2,1/2,1/2,1/2,1/2,1/2,0,0,1,2,stamp,"_s;
    for (const QString& last : {u"baidu.site=sad"_s, u"nosuch=blocked"_s, u"baidu.site="_s,
                                u"=blocked"_s, u"baidu.site=blocked;"_s, u"a=b=c"_s}) {
        EXPECT_FALSE(HasOutcomeField((plain + last).split(u','))) << last.toStdString();
    }
}

TEST(HistoryOutcomes, ChartLeavesGapsWhereAValueFailedButNotWhereThePageLackedIt) {
    const HistoryChartData chart = HistoryChart(kNewestFirst);
    const QList<std::optional<double>> baiduIndexed = {5, std::nullopt, 5, 5};
    EXPECT_EQ(chart.metrics[0].lines[0].values, baiduIndexed);
    const QList<std::optional<double>> baiduBacklinks = {6, 6, 6, 6};
    EXPECT_EQ(chart.metrics[1].lines[0].values, baiduBacklinks);
    const QList<std::optional<double>> alexa = {99, std::nullopt, 12, 1};
    EXPECT_EQ(chart.metrics[4].lines[0].values, alexa);
}

TEST(HistoryOutcomes, CsvGetsAStatusColumnOnlyWhenARecordHasOutcomes) {
    const QString withOutcomes = QString::fromUtf8(HistoryCsv(kNewestFirst).mid(3));
    const QStringList rows = withOutcomes.split(u"\r\n"_s);
    EXPECT_TRUE(rows[0].endsWith(u",状态"_s)) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith(u",2024/1/4,baidu.site=no-match"_s)) << rows[1].toStdString();
    // The records with a comma in a value fill one more column; the status stays last.
    EXPECT_TRUE(rows[2].endsWith(u",2024/1/3,"_s)) << rows[2].toStdString();
    EXPECT_TRUE(
        rows[3].endsWith(u",2024/1/2,,baidu.site=blocked;baidu.snapshot=blocked;alexa=timeout"_s))
        << rows[3].toStdString();
    EXPECT_EQ(rows[1].count(u','), rows[0].count(u','));
    const QByteArray clean = HistoryCsv({kNewestFirst[3]});
    EXPECT_FALSE(QString::fromUtf8(clean).contains(u"状态"_s));
}

TEST(HistoryOutcomes, GridMarksTheCellsOfFailedValues) {
    HistoryGrid grid;
    grid.chushihua();
    grid.placeRecords(kNewestFirst);
    EXPECT_EQ(grid.mark(1, 3), query::FallbackReason::Blocked);
    EXPECT_EQ(grid.mark(10, 3), query::FallbackReason::TimedOut);
    EXPECT_EQ(grid.mark(1, 1), query::FallbackReason::NoMatch);
    EXPECT_EQ(grid.mark(2, 3), std::nullopt);
    EXPECT_EQ(grid.mark(1, 2), std::nullopt);
    const QModelIndex blocked = grid.index(2, 0);
    EXPECT_EQ(grid.data(blocked, Qt::DisplayRole).toString(), u"0/6"_s);
    EXPECT_EQ(grid.data(blocked, query::kOutcomeRole).toInt(), int(query::FallbackReason::Blocked));
    EXPECT_EQ(grid.data(blocked, Qt::ToolTipRole).toString(), u"被拦截（验证码页面）"_s);
    EXPECT_FALSE(grid.data(grid.index(2, 1), query::kOutcomeRole).isValid());
    grid.clearStringGrid();
    EXPECT_EQ(grid.mark(1, 3), std::nullopt);
}

} // namespace
} // namespace kelvane::store
