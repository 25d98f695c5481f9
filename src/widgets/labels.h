#pragma once

#include <QPoint>
#include <QString>

class QLabel;
class QWidget;

namespace kelvane::widgets {

// A static caption at a fixed place, as wide as its text.
QLabel* placedLabel(const QString& text, QWidget* parent, QPoint at);

} // namespace kelvane::widgets
