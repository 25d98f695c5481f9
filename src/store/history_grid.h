#pragma once

#include "query/fetch_and_extract.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace kelvane::store {

// One column of the history grid: its title in row 0 and its width in pixels.
struct HistoryColumn {
    const char16_t* title;
    int width;
};

// Column 0 numbers the rows; columns 1 to 12 take a record's fields in order.
inline constexpr std::array<HistoryColumn, 13> kHistoryColumns{{
    {u"序号", 30},
    {u"百度/反链", 85},
    {u"谷歌/反链", 85},
    {u"雅虎/反链", 85},
    {u"搜狗/反链", 85},
    {u"搜搜/反链", 85},
    {u"有道/反链", 85},
    {u"必应/反链", 85},
    {u"PageRank", 65},
    {u"SogouRank", 70},
    {u"AlexaRank", 65},
    {u"ChinaRank", 65},
    {u"查询时间", 150},
}};
inline constexpr int kHistoryGridColumns = static_cast<int>(kHistoryColumns.size());
// The title row and one row per kept record.
inline constexpr int kHistoryGridRows = 1001;

// The history window's string grid sgLishi: 13 × 1001 cells addressed (column, row) with
// row 0 the titles and column 0 the row numbers. As a Qt model the title row and the number
// column are the headers, so they stay in place while the records scroll; the model's cell
// (r, c) is the grid's cell (c + 1, r + 1). Bulk writes signal one change, not one per cell.
// A cell whose value failed carries its reason under kOutcomeRole and a tooltip.
class HistoryGrid : public QAbstractTableModel {
public:
    explicit HistoryGrid(QObject* parent = nullptr);

    QString cell(int column, int row) const;
    // Why the value of a cell is not the page's answer, from its record's outcome field.
    std::optional<query::FallbackReason> mark(int column, int row) const;
    void setCell(int column, int row, const QString& text);

    // The column titles into row 0 and "1" to "1000" into column 0.
    void chushihua();
    // Empties columns 1 to 12 of rows 1 to 1000; titles and row numbers stay.
    void clearStringGrid();
    // Record k (from 0) into row k + 1, its field j (from 0) into column j + 1, as they are;
    // fields past column 12 and records past row 1000 have no cell.
    void placeRecords(const QList<QStringList>& records);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    qsizetype at(int column, int row) const {
        return qsizetype(row) * kHistoryGridColumns + column;
    }
    void cellsChanged(int fromRow, int toRow);

    QList<QString> cells_;
    QHash<qsizetype, query::FallbackReason> marks_;
};

// The history list's click, steps 1 to 4: a grid holding records is emptied; then, when a
// site is selected, its records (ReadHistory, which trims a long file) fill the grid. Any
// failure in reading ends the click silently with the grid as it stands. Returns the records
// shown, nothing when there was no selection or the read failed.
std::optional<QList<QStringList>> ShowSiteHistory(HistoryGrid& grid,
                                                  const std::optional<QString>& domain);

} // namespace kelvane::store
