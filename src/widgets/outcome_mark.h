#pragma once

#include "query/outcome.h"

#include <QStyledItemDelegate>

class QTableWidgetItem;
class QWidget;

namespace kelvane::widgets {

// The colour of a value that is not the page's answer, and of the corner mark beside it.
QColor outcomeTextColour();
QColor outcomeMarkColour();

// Draws a value apart when it is not the page's answer: grey, a red corner mark at the top
// right, the reason as tooltip; an ok outcome or none takes all of that away again.
void showOutcome(QWidget* widget, const query::Outcome* outcome);
void showOutcome(QTableWidgetItem* item, const query::Outcome* outcome);

// Draws grid cells that carry a reason under kOutcomeRole grey with a red corner mark.
class OutcomeMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace kelvane::widgets
