// One deadline per exchange: a silent peer, a peer that drips a byte every 900 ms (inside
// every per-wait time-out), a redirect chain and a listener that never accepts each end the
// exchange at the deadline, as a read time-out does, so every caller shows its fallback.
#include "hostile_peer.h"
#include "keyword/keyword_rank_search.h"
#include "lookup/lookups.h"
#include "net/exchange_settings.h"
#include "net/idhttp.h"
#include "query/count_probes.h"
#include "query/rank_probes.h"
#include "support/hosts_override.h"
#include "support/scripted_http_server.h"

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::Reply;
using test::ScriptedHttpServer;

constexpr qint64 kDeadlineMs = 1200;
// The deadline plus the second the callers are allowed on top.
constexpr qint64 kBoundMs = kDeadlineMs + 1000;

const QString kTimedOut = QStringLiteral("Read timed out.");

platform::ExchangeSettings shortDeadline() {
    platform::ExchangeSettings settings;
    settings.deadlineMs = kDeadlineMs;
    return settings;
}

struct Peer {
    const char* name;
    std::function<Reply()> reply;
};

const Peer kPeers[] = {
    {"silent", [] { return Reply().silent(); }},
    {"900 ms drip",
     [] {
         return Reply("HTTP/1.1 200 OK\r\nContent-Length: 64\r\n\r\n")
             .drip(QByteArray(64, 'x'), 1, 900);
     }},
};

struct Caller {
    const char* name;
    const char* hostKey;
    // Runs the caller and returns what it shows.
    std::function<QString()> run;
    QString fallback;
};

TEST(ExchangeDeadlineTest, EveryCallerShowsItsFallbackWithinTheDeadline) {
    const net::ScopedExchangeSettings settings(shortDeadline());
    const Caller callers[] = {
        {"count probe", "baidu",
         [] {
             const auto& spec =
                 query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages);
             return query::RunCountProbe(spec, QStringLiteral("example.com"), {}).value;
         },
         QStringLiteral("0")},
        {"rank probe", "chinarank",
         [] { return query::ChinaRankLookup(QStringLiteral("example.com"), {}); },
         QStringLiteral("0")},
        {"whois", "whois", [] { return lookup::WhoisLookup(QStringLiteral("example.com")); },
         QString::fromUtf16(lookup::kWhoisFailureText)},
        {"keyword page",
         "sogou",
         [] {
             return keyword::KeywordRankSearch(query::EngineId::Sogou,
                                               QStringLiteral("example.com"), QStringLiteral("kw"),
                                               1, 1, {})
                 .text;
         },
         {}},
    };
    for (const Peer& peer : kPeers) {
        for (const Caller& caller : callers) {
            SCOPED_TRACE(std::string(peer.name) + ", " + caller.name);
            ScriptedHttpServer server;
            server.setHandler([&](const QByteArray&) { return peer.reply(); });
            test::HostsOverride hosts({{QString::fromLatin1(caller.hostKey), server.hostPort()}});
            QElapsedTimer clock;
            clock.start();
            const QString shown = caller.run();
            EXPECT_LT(clock.elapsed(), kBoundMs);
            EXPECT_GE(server.requests().size(), 1);
            if (!caller.fallback.isNull()) {
                EXPECT_EQ(shown, caller.fallback);
            }
        }
    }
}

TEST(ExchangeDeadlineTest, TheDeadlineCoversEveryRedirectHop) {
    // Each hop answers in 500 ms, inside the read time-out; three of them pass the deadline.
    ScriptedHttpServer server;
    server.setHandler([](const QByteArray&) {
        return Reply().delay(500).send(
            "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n");
    });
    net::TIdHTTP http;
    http.Exchange = shortDeadline();
    http.HandleRedirects = true;
    http.ReadTimeout = 2000;
    QByteArray stream;
    QElapsedTimer clock;
    clock.start();
    try {
        http.GetToStream(server.url(), stream);
        ADD_FAILURE() << "the redirect chain outlasted the deadline without an error";
    } catch (const platform::EReadTimeout& error) {
        EXPECT_EQ(error.message(), kTimedOut);
    }
    EXPECT_LT(clock.elapsed(), kBoundMs);
    EXPECT_GE(server.requests().size(), 2);
    EXPECT_LE(server.requests().size(), 4);

    // The next exchange on the same object gets a deadline of its own.
    server.setHandler(
        [](const QByteArray&) { return Reply(test::httpResponse("HTTP/1.1 200 OK", {}, "ok")); });
    stream.clear();
    http.GetToStream(server.url(), stream);
    EXPECT_EQ(stream, "ok");
}

// A listener whose queue is full never completes a connect; the deadline ends the attempt.
TEST(ExchangeDeadlineTest, ConnectThatNeverCompletes) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    // Fill the accept queue with connections nobody accepts.
    std::vector<int> fillers;
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    net::TIdHTTP http;
    http.Exchange = shortDeadline();
    http.ReadTimeout = 2000;
    QByteArray stream;
    QElapsedTimer clock;
    clock.start();
    QString error;
    try {
        http.GetToStream(QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(address.sin_port)),
                         stream);
    } catch (const platform::KelvaneError& e) {
        error = e.message();
    }
    // The queue may still take the connection; then the silent head times out instead.
    EXPECT_EQ(error, kTimedOut);
    EXPECT_LT(clock.elapsed(), kBoundMs + 2000);
    for (const int fd : fillers)
        ::close(fd);
    ::close(listener);
}

} // namespace
} // namespace kelvane
