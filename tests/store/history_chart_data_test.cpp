#include "store/history_chart_data.h"

#include <gtest/gtest.h>

namespace kelvane::store {
namespace {

using namespace Qt::StringLiterals;

using Values = QList<std::optional<double>>;
constexpr std::nullopt_t gap = std::nullopt;

std::string show(const Values& values) {
    std::string out;
    for (const std::optional<double>& v : values)
        out += v ? std::to_string(*v) + " " : std::string("- ");
    return out;
}

TEST(HistoryChartData, NumbersAreDigitsAndNothingElse) {
    const struct {
        QString text;
        std::optional<double> value;
    } cases[] = {
        {u"0"_s, 0},           {u"1200"_s, 1200},    {u"12345678901"_s, 12345678901.0},
        {u"未选"_s, gap},      {u""_s, gap},         {u" 12"_s, gap},
        {u"12 "_s, gap},       {u"-3"_s, gap},       {u"1.5"_s, gap},
        {u"<b>12</b>"_s, gap}, {u"查询失败"_s, gap}, {u"１２"_s, gap},
        {u"2010/1/26"_s, gap}, {u"约1200"_s, gap},   {u"1e5"_s, gap},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HistoryNumber(c.text), c.value) << c.text.toStdString();
}

TEST(HistoryChartData, SeriesFollowTheRecordsOldestFirstWithGaps) {
    const auto record = [](const QString& line) { return line.split(u','); };
    // Newest first, as the reader returns them.
    const QList<QStringList> records = {
        record(u"300/30,未选/未选,0/0,1/2,3/4,5/6,7/8,4,20,100,200,2010/1/28 9:00:00"_s),
        // An empty Alexa field was dropped: ChinaRank and the stamp moved left.
        record(u"200/x,未选/未选,0/0,1/2,3/4,5/6,7/8,3,10,150,2010/1/27"_s),
        record(u"100/10,未选/未选,1/2/3,1/2,3/4,<i>9</i>/8,<b>9/8,未选,0,120,查询失败,"
               u"2010/1/26 8:00:00"_s),
    };
    const HistoryChartData chart = HistoryChart(records);
    EXPECT_EQ(chart.stamps, (QStringList{u"2010/1/26 8:00:00"_s, u""_s, u"2010/1/28 9:00:00"_s}));
    ASSERT_EQ(chart.metrics.size(), 6);

    const struct {
        int metric;
        int line;
        const char16_t* title;
        const char16_t* name;
        Values values;
    } expected[] = {
        {0, 0, u"收录", u"百度", {100, 200, 300}},
        {1, 0, u"反链", u"百度", {10, gap, 30}},
        {0, 1, u"收录", u"谷歌", {gap, gap, gap}},
        {0, 2, u"收录", u"雅虎", {gap, 0, 0}},
        {1, 2, u"反链", u"雅虎", {gap, 0, 0}},
        {0, 5, u"收录", u"有道", {gap, 5, 5}},
        {1, 5, u"反链", u"有道", {gap, 6, 6}},
        {0, 6, u"收录", u"必应", {gap, 7, 7}},
        {1, 6, u"反链", u"必应", {8, 8, 8}},
        {2, 0, u"PageRank", u"PageRank", {gap, 3, 4}},
        {3, 0, u"SogouRank", u"SogouRank", {0, 10, 20}},
        {4, 0, u"AlexaRank", u"AlexaRank", {120, 150, 100}},
        {5, 0, u"ChinaRank", u"ChinaRank", {gap, gap, 200}},
    };
    for (const auto& e : expected) {
        const HistoryMetric& metric = chart.metrics[e.metric];
        EXPECT_EQ(metric.title, QString::fromUtf16(e.title));
        ASSERT_LT(e.line, metric.lines.size()) << e.metric;
        const HistoryLine& line = metric.lines[e.line];
        EXPECT_EQ(line.name, QString::fromUtf16(e.name));
        EXPECT_EQ(line.values, e.values) << metric.title.toStdString() << " "
                                         << line.name.toStdString() << ": " << show(line.values);
    }
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(chart.metrics[m].lines.size(), 7);
        EXPECT_TRUE(chart.metrics[m].logarithmic);
    }
    EXPECT_FALSE(chart.metrics[2].inverted);
    EXPECT_TRUE(chart.metrics[4].inverted);
    EXPECT_TRUE(chart.metrics[5].inverted);
}

TEST(HistoryChartData, RecordsWithoutFieldsAreGapsEverywhere) {
    const HistoryChartData chart = HistoryChart({QStringList{}, QStringList{u"1/2"_s}});
    EXPECT_EQ(chart.stamps, (QStringList{u""_s, u""_s}));
    EXPECT_EQ(chart.metrics[0].lines[0].values, (Values{1, gap}));
    EXPECT_EQ(chart.metrics[1].lines[0].values, (Values{2, gap}));
    EXPECT_EQ(chart.metrics[5].lines[0].values, (Values{gap, gap}));
    EXPECT_TRUE(HistoryChart({}).stamps.isEmpty());
    EXPECT_EQ(HistoryChart({}).metrics.size(), 6);
}

} // namespace
} // namespace kelvane::store
