#include "net/http_chunked.h"

#include <gtest/gtest.h>

namespace kelvane::net {
namespace {

TEST(HttpChunkedTest, ChunkSizeLines) {
    const struct {
        const char* line;
        qint64 size;
    } cases[] = {
        {"1a", 26},
        {"1A", 26},
        {"0", 0},
        {"ff extension", 255},
        {"  10", 16},
        {"0000000000000000001a", 26},
        {"", 0},
        {"zz", 0},
        {"-1", 0},
        {"1a;name=value", 0},
        {"fffffffffffffff", 0xfffffffffffffffLL},
        {"10000000000000000", 0},
        {"ffffffffffffffffffffffffffff", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(parseChunkSize(c.line), c.size);
    }
}

} // namespace
} // namespace kelvane::net
