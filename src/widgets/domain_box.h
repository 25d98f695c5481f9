#pragma once

#include <QRect>
#include <QStringList>

class QComboBox;
class QWidget;

namespace kelvane::widgets {

// The editable domain box of the main, keyword and whois windows: unsorted, 8 rows dropped
// down, typed text completed from the list.
QComboBox* newDomainBox(QWidget* parent, const QRect& place);

// Replaces the box's list; the text in the box stays as it is.
void replaceDomainList(QComboBox* box, const QStringList& entries);

} // namespace kelvane::widgets
