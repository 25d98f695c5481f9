#include "platform/console.h"

#include <QList>
#include <cstdio>
#include <unistd.h>

namespace kelvane::platform {

namespace {

void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

bool isWide(uint c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void writeOut(const QString& text) {
    write(stdout, text);
}

void writeErr(const QString& text) {
    write(stderr, text);
}

int displayWidth(QStringView text) {
    int width = 0;
    for (const uint c : text.toUcs4())
        width += isWide(c) ? 2 : (c < 0x20 ? 0 : 1);
    return width;
}

} // namespace kelvane::platform
