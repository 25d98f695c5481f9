#pragma once

#include <QString>

namespace kelvane {

// The folder that holds the running executable.
QString executableDir();
// Makes executableDir() name another folder for its lifetime (start-up tests).
class ScopedExecutableDir {
public:
    explicit ScopedExecutableDir(QString folder);
    ~ScopedExecutableDir();
    ScopedExecutableDir(const ScopedExecutableDir&) = delete;
    ScopedExecutableDir& operator=(const ScopedExecutableDir&) = delete;

private:
    QString previous_;
};

// A product path written with backslashes ("zenvo\data\x.txt") in this platform's form.
QString nativeProductPath(const QString& productPath);

} // namespace kelvane
