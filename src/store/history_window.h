#pragma once

#include "store/history_chart_widget.h"
#include "widgets/error_report.h"

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QListWidget;
class QPushButton;
class QTableView;

namespace kelvane::store {

class HistoryGrid;

// The history window: the site list on the left, the selected site's records newest first in
// the grid, and below them a chart of the same records and their export as CSV.
class TfrmJilu : public QWidget {
public:
    TfrmJilu();
    ~TfrmJilu() override;

    void chushihua();
    void clearStringGrid();
    void urlListListBoxClick();
    void FormActivate();
    void btnExportClick();

    HistoryGrid& grid() const { return *grid_; }
    HistoryChartView& chart() const { return *chart_; }

    // Asks where to export; an empty answer cancels. Tests answer without a dialog.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    void setSaveFileChooser(SaveFileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void fillSiteList(const QStringList& entries);
    void showChart(const QList<QStringList>& records);

    HistoryGrid* grid_ = nullptr;
    QListWidget* urlList_ = nullptr;
    QTableView* sgLishi_ = nullptr;
    QComboBox* cbChart_ = nullptr;
    QPushButton* btnExport_ = nullptr;
    HistoryChartView* chart_ = nullptr;
    SaveFileChooser chooseSaveFile_;
    // The site whose records the grid, the chart and the export hold.
    std::optional<QString> shownSite_;
    QList<QStringList> shownRecords_;
    widgets::LastingFailureReport activationFailure_;
};

} // namespace kelvane::store
