#pragma once

#include <QString>

namespace kelvane {

// The folder that holds the running executable.
QString executableDir();
// A product path written with backslashes ("zenvo\data\x.txt") in this platform's form.
QString nativeProductPath(const QString& productPath);

} // namespace kelvane
