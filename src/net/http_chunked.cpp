#include "net/http_chunked.h"

namespace kelvane::net {

qint64 parseChunkSize(QByteArrayView line) {
    const QByteArrayView trimmed = line.trimmed();
    const qsizetype space = trimmed.indexOf(' ');
    QByteArrayView digits = space < 0 ? trimmed : trimmed.first(space);
    while (digits.size() > 1 && digits.front() == '0')
        digits = digits.sliced(1);
    if (digits.isEmpty() || digits.size() > 15)
        return 0;
    qint64 size = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        size = size * 16 + digit;
    }
    return size;
}

} // namespace kelvane::net
