#include "store/history_grid.h"

#include "query/outcome_text.h"
#include "store/history.h"
#include "store/history_outcomes.h"

#include <algorithm>
#include <exception>

namespace kelvane::store {

namespace {
constexpr int kDataColumns = kHistoryGridColumns - 1;
constexpr int kDataRows = kHistoryGridRows - 1;
} // namespace

HistoryGrid::HistoryGrid(QObject* parent)
    : QAbstractTableModel(parent), cells_(qsizetype(kHistoryGridColumns) * kHistoryGridRows) {}

QString HistoryGrid::cell(int column, int row) const {
    if (column < 0 || column >= kHistoryGridColumns || row < 0 || row >= kHistoryGridRows)
        return {};
    return cells_[at(column, row)];
}

void HistoryGrid::setCell(int column, int row, const QString& text) {
    if (column < 0 || column >= kHistoryGridColumns || row < 0 || row >= kHistoryGridRows)
        return;
    cells_[at(column, row)] = text;
    if (row == 0 && column > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, column - 1, column - 1);
    else if (column == 0 && row > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, row - 1, row - 1);
    else if (row > 0)
        Q_EMIT dataChanged(index(row - 1, column - 1), index(row - 1, column - 1));
}

void HistoryGrid::chushihua() {
    for (int column = 0; column < kHistoryGridColumns; ++column)
        cells_[at(column, 0)] = QString::fromUtf16(kHistoryColumns[size_t(column)].title);
    for (int row = 1; row < kHistoryGridRows; ++row)
        cells_[at(0, row)] = QString::number(row);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kDataColumns - 1);
    Q_EMIT headerDataChanged(Qt::Vertical, 0, kDataRows - 1);
}

void HistoryGrid::clearStringGrid() {
    for (int row = 1; row < kHistoryGridRows; ++row)
        for (int column = 1; column < kHistoryGridColumns; ++column)
            cells_[at(column, row)].clear();
    marks_.clear();
    cellsChanged(1, kHistoryGridRows - 1);
}

void HistoryGrid::placeRecords(const QList<QStringList>& records) {
    const int rows = int(std::min<qsizetype>(records.size(), kDataRows));
    for (int k = 0; k < rows; ++k) {
        const QStringList& fields = records[k];
        const int columns = int(std::min<qsizetype>(fields.size(), kDataColumns));
        for (int j = 0; j < columns; ++j)
            cells_[at(j + 1, k + 1)] = fields[j];
        const QMap<QString, query::FallbackReason> outcomes = HistoryRecordOutcomes(fields);
        for (auto outcome = outcomes.cbegin(); outcome != outcomes.cend(); ++outcome) {
            const std::optional<int> column = HistoryColumnOfKey(outcome.key());
            // A cell holds two values: the first failure of them marks it.
            if (column && outcome.value() != query::FallbackReason::None &&
                !marks_.contains(at(*column, k + 1)))
                marks_.insert(at(*column, k + 1), outcome.value());
        }
    }
    if (rows > 0)
        cellsChanged(1, rows);
}

void HistoryGrid::cellsChanged(int fromRow, int toRow) {
    Q_EMIT dataChanged(index(fromRow - 1, 0), index(toRow - 1, kDataColumns - 1));
}

int HistoryGrid::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kDataRows;
}

int HistoryGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kDataColumns;
}

QVariant HistoryGrid::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const qsizetype place = at(index.column() + 1, index.row() + 1);
    if (role == Qt::DisplayRole)
        return cells_[place];
    const auto mark = marks_.constFind(place);
    if (mark == marks_.constEnd())
        return {};
    // A closed service's cell is drawn plainly, as the main window draws it.
    if (role == query::kOutcomeRole)
        return *mark == query::FallbackReason::Closed ? QVariant()
                                                      : QVariant(static_cast<int>(*mark));
    if (role == Qt::ToolTipRole)
        return query::OutcomeToolTip(query::Outcome{*mark, {}, {}});
    return {};
}

std::optional<query::FallbackReason> HistoryGrid::mark(int column, int row) const {
    const auto found = marks_.constFind(at(column, row));
    return found == marks_.constEnd() ? std::nullopt : std::optional(*found);
}

QVariant HistoryGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Horizontal)
        return cell(section + 1, 0);
    return cell(0, section + 1);
}

Qt::ItemFlags HistoryGrid::flags(const QModelIndex& index) const {
    // Cells can be selected and copied, never edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

std::optional<QList<QStringList>> ShowSiteHistory(HistoryGrid& grid,
                                                  const std::optional<QString>& domain) {
    if (!grid.cell(1, 1).isEmpty())
        grid.clearStringGrid();
    if (!domain)
        return std::nullopt;
    try {
        QList<QStringList> records = ReadHistory(*domain);
        grid.placeRecords(records);
        return records;
    } catch (const std::exception&) {
        // No history yet, or a file that cannot be read or trimmed: nothing is shown.
        return std::nullopt;
    }
}

} // namespace kelvane::store
