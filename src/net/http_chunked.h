#pragma once

#include <QByteArrayView>

namespace kelvane::net {

// The size of a chunk from its size line: trimmed, the text before the first space as a hexadecimal
// number. Text that is not a number, or one too large for 63 bits, counts as 0 (the last chunk).
qint64 parseChunkSize(QByteArrayView line);

} // namespace kelvane::net
