#pragma once

#include "store/history_chart_data.h"

#include <QWidget>

namespace kelvane::store {

// A chart of one metric of the history: one line per engine for the counts, one for a rank,
// oldest query on the left. Gaps break a line; a value between two gaps shows as a dot.
class HistoryChartView : public QWidget {
public:
    explicit HistoryChartView(QWidget* parent = nullptr);

    void setData(HistoryChartData data);
    const HistoryChartData& data() const { return data_; }
    // Which of data().metrics is drawn.
    void setMetric(int metric);
    int metric() const { return metric_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HistoryChartData data_;
    int metric_ = 0;
};

} // namespace kelvane::store
