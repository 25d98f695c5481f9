#pragma once

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: a check that stops the run with a message the fuzzer keeps,
// and the splitting of one input into the parts a target needs.
namespace kelvane::fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::kelvane::fuzz::fail(__FILE__, __LINE__, #condition);                                 \
    } while (false)

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The input cut at a separator byte into at most `parts` pieces; missing pieces are empty.
inline QList<QByteArray> splitInput(const QByteArray& input, char separator, int parts) {
    QList<QByteArray> pieces;
    qsizetype start = 0;
    while (pieces.size() < parts - 1) {
        const qsizetype at = input.indexOf(separator, start);
        if (at < 0)
            break;
        pieces.append(input.mid(start, at - start));
        start = at + 1;
    }
    pieces.append(input.mid(start));
    while (pieces.size() < parts)
        pieces.append(QByteArray());
    return pieces;
}

// Makes a scratch folder the current directory, once per run, with `subfolder` in it; on a
// memory file system where there is one, as the file targets write a file per input.
inline void enterScratchDir(const QString& subfolder) {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/kelvane-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/kelvane-fuzz-XXXXXX"));
    static const bool ready =
        dir.isValid() && QDir::setCurrent(dir.path()) && QDir().mkpath(subfolder);
    if (!ready)
        fail(__FILE__, __LINE__, "no scratch folder");
}

} // namespace kelvane::fuzz
