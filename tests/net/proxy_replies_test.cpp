// What the client says to proxies and how it reads their answers, byte for byte.
#include "net/proxy_replies.h"

#include <gtest/gtest.h>

namespace kelvane::net {
namespace {

using Status = ReplyStep::Status;

TEST(ProxyRequestsTest, BytesOnTheWire) {
    EXPECT_EQ(socksGreeting(false), QByteArray("\x05\x01\x00", 3));
    // With a login only the login is offered, so the proxy cannot skip it.
    EXPECT_EQ(socksGreeting(true), QByteArray("\x05\x01\x02", 3));
    EXPECT_EQ(socksLoginRequest(u"bob"_qs, u"pw"_qs), QByteArray("\x01\x03"
                                                                 "bob"
                                                                 "\x02"
                                                                 "pw"));
    EXPECT_TRUE(socksLoginRequest(QString(256, u'u'), u"pw"_qs).isEmpty());

    // Names go as names (the proxy resolves them); literals as addresses.
    EXPECT_EQ(socksConnectRequest(u"www.baidu.com"_qs, 80), QByteArray("\x05\x01\x00\x03\x0d"
                                                                       "www.baidu.com"
                                                                       "\x00\x50",
                                                                       20));
    EXPECT_EQ(socksConnectRequest(u"127.0.0.1"_qs, 443),
              QByteArray("\x05\x01\x00\x01\x7f\x00\x00\x01\x01\xbb", 10));
    EXPECT_EQ(socksConnectRequest(u"[::1]"_qs, 8080).size(), 4 + 16 + 2);
    EXPECT_EQ(socksConnectRequest(u"[::1]"_qs, 8080)[3], '\x04');
    EXPECT_TRUE(socksConnectRequest(QString(256, u'h'), 80).isEmpty());

    EXPECT_EQ(connectRequest(u"localhost"_qs, 8443, {}),
              "CONNECT localhost:8443 HTTP/1.1\r\nHost: localhost:8443\r\n\r\n");
    EXPECT_EQ(connectRequest(u"localhost"_qs, 443, basicCredentials(u"alice"_qs, u"wonder"_qs)),
              "CONNECT localhost:443 HTTP/1.1\r\nHost: localhost:443\r\n"
              "Proxy-Authorization: Basic YWxpY2U6d29uZGVy\r\n\r\n");
}

struct SocksCase {
    const char* name;
    QByteArray bytes;
    Status status;
    qsizetype length;
    int code;
};

TEST(SocksRepliesTest, ConnectReplies) {
    const SocksCase cases[] = {
        {"empty", {}, Status::Incomplete, 0, -1},
        {"version only", QByteArray("\x05", 1), Status::Incomplete, 0, -1},
        {"wrong version", QByteArray("\x04\x00", 2), Status::Malformed, 0, -1},
        {"reserved byte set", QByteArray("\x05\x00\x01", 3), Status::Malformed, 0, -1},
        {"ipv4 cut", QByteArray("\x05\x00\x00\x01\x7f\x00", 6), Status::Incomplete, 0, 0},
        {"ipv4", QByteArray("\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90", 10), Status::Complete, 10,
         0},
        {"ipv4 and more", QByteArray("\x05\x00\x00\x01\x7f\x00\x00\x01\x1f\x90\x16", 11),
         Status::Complete, 10, 0},
        {"name",
         QByteArray("\x05\x00\x00\x03\x02"
                    "ab"
                    "\x00\x50",
                    9),
         Status::Complete, 9, 0},
        {"ipv6 cut", QByteArray("\x05\x00\x00\x04\x00\x00", 6), Status::Incomplete, 0, 0},
        {"refused", QByteArray("\x05\x05\x00\x01\x00\x00\x00\x00\x00\x00", 10), Status::Complete,
         10, 5},
        {"refusal without address", QByteArray("\x05\x01\x00\x00\x00", 5), Status::Complete, 5, 1},
        {"success without address", QByteArray("\x05\x00\x00\x00\x00", 5), Status::Malformed, 0,
         -1},
    };
    for (const SocksCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ReplyStep step = socksConnectReply(c.bytes);
        EXPECT_EQ(step.status, c.status);
        if (step.status != Status::Malformed) {
            EXPECT_EQ(step.length, c.length);
            EXPECT_EQ(step.code, c.code);
        }
    }
    EXPECT_EQ(socksReplyText(5), u"connection refused"_qs);
    EXPECT_EQ(socksReplyText(200), u"reply code 200"_qs);
    EXPECT_TRUE(socksCouldNotReach(4));
    EXPECT_FALSE(socksCouldNotReach(2));
}

TEST(SocksRepliesTest, MethodAndLoginReplies) {
    EXPECT_EQ(socksMethodReply(QByteArray("\x05", 1)).status, Status::Incomplete);
    EXPECT_EQ(socksMethodReply(QByteArray("\x05\xff", 2)).code, kSocksNoMethod);
    EXPECT_EQ(socksMethodReply(QByteArray("\x05\x02", 2)).code, kSocksLogin);
    EXPECT_EQ(socksMethodReply(QByteArray("HTTP/1.1", 8)).status, Status::Malformed);
    EXPECT_EQ(socksLoginReply(QByteArray("\x01\x00", 2)).code, 0);
    EXPECT_EQ(socksLoginReply(QByteArray("\x01\x01", 2)).code, 1);
    EXPECT_EQ(socksLoginReply(QByteArray("\x05\x00", 2)).status, Status::Malformed);
}

TEST(ConnectRepliesTest, HeadEndsAtTheBlankLine) {
    struct Case {
        const char* name;
        QByteArray bytes;
        Status status;
        qsizetype length;
        int code;
    };
    const Case cases[] = {
        {"established", "HTTP/1.1 200 Connection established\r\n\r\n", Status::Complete, 39, 200},
        {"bare LF and headers", "HTTP/1.0 200 OK\nProxy-Agent: x\n\nTLS", Status::Complete, 32,
         200},
        {"head not over", "HTTP/1.1 200 OK\r\nVia: x\r\n", Status::Incomplete, 0, -1},
        {"login wanted", "HTTP/1.1 407 Proxy Authentication Required\r\n\r\n", Status::Complete, 46,
         407},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", Status::Complete, 19, -1},
        {"endless head", QByteArray(kMaxConnectHead, 'a'), Status::Malformed, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IdHTTPResponse head;
        const ReplyStep step = connectReply(c.bytes, &head);
        EXPECT_EQ(step.status, c.status);
        if (step.status == Status::Complete) {
            EXPECT_EQ(step.length, c.length);
            EXPECT_EQ(step.code, c.code);
            EXPECT_EQ(head.ResponseCode, c.code);
        }
    }
}

} // namespace
} // namespace kelvane::net
