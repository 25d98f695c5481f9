#pragma once

#include "platform/scoped_override.h"

#include <QString>

namespace kelvane::platform {

// The folder that holds the running executable.
QString executableDir();
// Makes executableDir() name another folder for its lifetime (start-up tests).
class ScopedExecutableDir : public ScopedOverride<QString> {
public:
    explicit ScopedExecutableDir(QString folder);
};

// A product path written with backslashes ("zenvo\data\x.txt") in this platform's form.
QString nativeProductPath(const QString& productPath);

} // namespace kelvane::platform
