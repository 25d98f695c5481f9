// Chunk-size lines: whatever a server writes, the size is 0 or a number below 2^60 that the
// line spells in hexadecimal before its first space.
#include "fuzz_check.h"
#include "net/http_chunked.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QByteArray line = fuzz::bytesOf(data, size);
    const qint64 chunk = net::parseChunkSize(line);
    FUZZ_CHECK(chunk >= 0 && chunk < (qint64(1) << 60));
    if (chunk > 0) {
        QByteArray digits = line.trimmed();
        const qsizetype space = digits.indexOf(' ');
        if (space >= 0)
            digits.truncate(space);
        bool ok = false;
        FUZZ_CHECK(digits.toLongLong(&ok, 16) == chunk && ok);
    }
    return 0;
}
