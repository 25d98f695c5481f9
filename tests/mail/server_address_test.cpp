// The server box: "host" or "host:port".
#include "mail/server_address.h"

#include <gtest/gtest.h>

namespace kelvane::mail {
namespace {

TEST(ServerAddressTest, HostAndOptionalPort) {
    struct Case {
        const char* text;
        const char* host;
        quint16 port;
    };
    const Case cases[] = {
        {"smtp.example.cn", "smtp.example.cn", 25},
        {"smtp.example.cn:465", "smtp.example.cn", 465},
        {"127.0.0.1:2525", "127.0.0.1", 2525},
        {"[::1]:587", "[::1]", 587},
        // Not a port: the whole text stays the host, as it always was.
        {"::1", "::1", 25},
        {"host:", "host:", 25},
        {"host:smtp", "host:smtp", 25},
        {"host:0", "host:0", 25},
        {"host:65536", "host:65536", 25},
        {"host:+25", "host:+25", 25},
        {"", "", 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ServerAddress address = splitServerAddress(QString::fromUtf8(c.text), 25);
        EXPECT_EQ(address.host, QString::fromUtf8(c.host));
        EXPECT_EQ(address.port, c.port);
    }
}

} // namespace
} // namespace kelvane::mail
