#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace kelvane::store {

// One line of a history chart: a value per record, oldest first; a gap where the record's
// text is no count.
struct HistoryLine {
    QString name;
    QList<std::optional<double>> values;

    bool operator==(const HistoryLine&) const = default;
};

// What one chart shows: indexed pages or backlinks of the seven engines, or one rank.
struct HistoryMetric {
    QString title;
    QList<HistoryLine> lines;
    // Counts span orders of magnitude: drawn on a logarithmic axis.
    bool logarithmic = false;
    // Ranks where 1 is best: drawn with 1 at the top.
    bool inverted = false;

    bool operator==(const HistoryMetric&) const = default;
};

struct HistoryChartData {
    // The query times, oldest first: the chart's horizontal axis.
    QStringList stamps;
    // 收录, 反链, PageRank, SogouRank, AlexaRank, ChinaRank, in that order.
    QList<HistoryMetric> metrics;

    bool operator==(const HistoryChartData&) const = default;
};

// A count or rank as the chart reads it: one or more ASCII digits and nothing else. "未选",
// fallbacks, markup, blanks and stamps are no number.
std::optional<double> HistoryNumber(QStringView text);

// The chart of records given newest first, as ReadHistory returns them. Fields are taken by
// position, as the grid shows them: field 1 to 7 the engines ("indexed/backlinks", exactly
// one slash, else both are gaps), 8 to 11 the ranks, 12 the query time. A value the record's
// outcome field names as failed is a gap too.
HistoryChartData HistoryChart(const QList<QStringList>& newestFirst);

} // namespace kelvane::store
