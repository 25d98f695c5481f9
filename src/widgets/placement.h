#pragma once

class QWidget;

namespace kelvane::widgets {

// Centres a window frame to frame, title bar and borders included, over another window, or
// over the screen's work area when there is none to centre on.
void centreFrameOver(QWidget* window, const QWidget* anchor);

// Places the window with centreFrameOver the first time it is shown, and never again, so a
// window the user moved stays where they put it. The anchor is read when that first show
// happens; a null anchor means the screen.
void centreOnFirstShow(QWidget* window, const QWidget* anchor);

} // namespace kelvane::widgets
