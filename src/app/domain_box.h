#pragma once

#include <QRect>
#include <QStringList>

class QComboBox;
class QWidget;

namespace kelvane::app {

// The editable domain box of the main, keyword and whois windows: unsorted, 8 rows dropped
// down, typed text completed from the list.
QComboBox* NewDomainBox(QWidget* parent, const QRect& place);

// Replaces the box's list; the text in the box stays as it is.
void ReplaceDomainList(QComboBox* box, const QStringList& entries);

// Centres a window over the main window (the first time it is shown).
void CentreOverMainWindow(QWidget* window);

} // namespace kelvane::app
