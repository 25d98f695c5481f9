#include "widgets/outcome_mark.h"

#include "query/outcome_text.h"

#include <QPainter>
#include <QTableWidgetItem>
#include <QWidget>

namespace kelvane::widgets {

namespace {

constexpr int kMarkSize = 6;
const char* const kMarkName = "outcomeMark";
const char* const kOwnPalette = "outcomeOwnPalette";
const char* const kOwnToolTip = "outcomeOwnToolTip";

// A small red triangle in the top right corner of the rectangle.
void drawCornerMark(QPainter& painter, const QRect& rect) {
    const QPoint corner = rect.topRight();
    const QPolygon triangle{corner, corner - QPoint(kMarkSize, 0), corner + QPoint(0, kMarkSize)};
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(outcomeMarkColour());
    painter.drawPolygon(triangle);
    painter.restore();
}

// The corner mark of a widget, a child that keeps its place at the widget's right edge.
class CornerMark : public QWidget {
public:
    explicit CornerMark(QWidget* parent) : QWidget(parent) {
        setObjectName(QString::fromLatin1(kMarkName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->width() - kMarkSize, 0, kMarkSize, kMarkSize);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawCornerMark(painter, rect().adjusted(0, 0, -1, 0));
    }
};

// A value of a service that is gone is the honest answer, not a failed one: it is drawn plainly
// and only its tooltip says why.
bool drawnApart(const query::Outcome& outcome) {
    return !outcome.ok() && outcome.reason != query::FallbackReason::Closed;
}

} // namespace

QColor outcomeTextColour() {
    return QColor(0x80, 0x80, 0x80);
}

QColor outcomeMarkColour() {
    return QColor(0xd0, 0x00, 0x00);
}

void showOutcome(QWidget* widget, const query::Outcome* outcome) {
    const bool marked = outcome && drawnApart(*outcome);
    auto* mark =
        widget->findChild<QWidget*>(QString::fromLatin1(kMarkName), Qt::FindDirectChildrenOnly);
    const QVariant ownPalette = widget->property(kOwnPalette);
    if (marked) {
        if (!ownPalette.isValid())
            widget->setProperty(kOwnPalette, QVariant::fromValue(widget->palette()));
        QPalette palette = widget->palette();
        // Labels draw with WindowText, edit boxes with Text.
        palette.setColor(QPalette::WindowText, outcomeTextColour());
        palette.setColor(QPalette::Text, outcomeTextColour());
        widget->setPalette(palette);
        widget->setToolTip(query::OutcomeToolTip(*outcome));
        if (!mark)
            mark = new CornerMark(widget);
        mark->move(widget->width() - kMarkSize, 0);
        mark->show();
        return;
    }
    if (ownPalette.isValid()) {
        widget->setPalette(ownPalette.value<QPalette>());
        widget->setProperty(kOwnPalette, QVariant());
        widget->setToolTip(QString());
    }
    // A plain value may still have a reason to tell (a closed service); only a tooltip this
    // file put there is taken away again.
    const bool tells = outcome && !outcome->ok();
    if (tells || widget->property(kOwnToolTip).toBool())
        widget->setToolTip(tells ? query::OutcomeToolTip(*outcome) : QString());
    widget->setProperty(kOwnToolTip, tells ? QVariant(true) : QVariant());
    delete mark;
}

void showOutcome(QTableWidgetItem* item, const query::Outcome* outcome) {
    if (outcome && !outcome->ok()) {
        item->setData(query::kOutcomeRole, drawnApart(*outcome)
                                               ? QVariant(static_cast<int>(outcome->reason))
                                               : QVariant());
        item->setToolTip(query::OutcomeToolTip(*outcome));
    } else {
        item->setData(query::kOutcomeRole, QVariant());
        item->setToolTip(QString());
    }
}

void OutcomeMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (!index.data(query::kOutcomeRole).isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem grey(option);
    grey.palette.setColor(QPalette::Text, outcomeTextColour());
    grey.palette.setColor(QPalette::HighlightedText, outcomeTextColour());
    QStyledItemDelegate::paint(painter, grey, index);
    drawCornerMark(*painter, option.rect.adjusted(0, 0, -1, 0));
}

} // namespace kelvane::widgets
