#pragma once

#include <QString>

namespace kelvane::platform {

// Whether standard error is a terminal: progress is shown only to a person watching.
bool standardErrorIsTerminal();

// UTF-8 text to standard output or standard error, unbuffered by Qt.
void writeOut(const QString& text);
void writeErr(const QString& text);

// Columns a text takes on a terminal: East Asian wide characters take two.
int displayWidth(QStringView text);

} // namespace kelvane::platform
