#include "widgets/labels.h"

#include <QLabel>

namespace kelvane::widgets {

QLabel* placedLabel(const QString& text, QWidget* parent, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace kelvane::widgets
