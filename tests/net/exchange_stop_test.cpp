// A stop of the run: the token every socket wait of the thread polls beside its socket. It ends
// the exchange in flight at once, long before the deadline, and a stopped thread sends nothing
// more; a token that is never used changes nothing.
#include "net/idhttp.h"
#include "platform/cancel_token.h"
#include "query/count_probes.h"
#include "query/outcome.h"
#include "query/outcome_text.h"
#include "support/hosts_override.h"
#include "support/scripted_http_server.h"

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace kelvane {
namespace {

using test::Reply;
using test::ScriptedHttpServer;

// Far beyond what a stop may take: an exchange that ends near it was not stopped.
constexpr qint64 kDeadlineMs = 20000;
constexpr qint64 kStopBoundMs = 5000;

platform::ExchangeSettings longDeadline() {
    platform::ExchangeSettings settings;
    settings.deadlineMs = kDeadlineMs;
    return settings;
}

// Stops the token from another thread once the server has the request.
class StopWhenAsked {
public:
    StopWhenAsked(platform::CancelToken& token, const ScriptedHttpServer& server)
        : thread_([&token, &server] {
              server.waitForRequests(1, int(kStopBoundMs));
              token.cancel();
          }) {}
    ~StopWhenAsked() { thread_.join(); }
    StopWhenAsked(const StopWhenAsked&) = delete;
    StopWhenAsked& operator=(const StopWhenAsked&) = delete;

private:
    std::thread thread_;
};

TEST(ExchangeStopTest, AStopEndsTheWaitInFlightAtOnce) {
    const struct {
        const char* name;
        std::function<Reply()> reply;
    } peers[] = {
        {"silent", [] { return Reply().silent(); }},
        {"head, then silence",
         [] { return Reply("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nab").silent(); }},
        {"a byte a second",
         [] {
             return Reply("HTTP/1.1 200 OK\r\nContent-Length: 64\r\n\r\n")
                 .drip(QByteArray(64, 'x'), 1, 1000);
         }},
    };
    for (const auto& peer : peers) {
        SCOPED_TRACE(peer.name);
        ScriptedHttpServer server;
        server.setHandler([&](const QByteArray&) { return peer.reply(); });
        platform::CancelToken token;
        const platform::ScopedCancelToken stoppable(&token);
        net::TIdHTTP http;
        http.Exchange = longDeadline();
        QElapsedTimer clock;
        clock.start();
        {
            const StopWhenAsked stopper(token, server);
            EXPECT_THROW(http.GetToString(server.url()), platform::EStopped);
        }
        EXPECT_LT(clock.elapsed(), kStopBoundMs);
        EXPECT_EQ(server.requests().size(), 1);
    }
}

TEST(ExchangeStopTest, AStoppedThreadConnectsNowhere) {
    ScriptedHttpServer server;
    server.setHandler(
        [](const QByteArray&) { return Reply(test::httpResponse("HTTP/1.1 200 OK", {}, "ok")); });
    platform::CancelToken token;
    token.cancel();
    token.cancel(); // twice is once
    EXPECT_TRUE(token.isCancelled());
    const platform::ScopedCancelToken stoppable(&token);
    net::TIdHTTP http;
    http.Exchange = longDeadline();
    EXPECT_THROW(http.GetToString(server.url()), platform::EStopped);
    EXPECT_EQ(server.acceptedConnections(), 0);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST(ExchangeStopTest, ATokenLeftAloneChangesNothing) {
    ScriptedHttpServer server;
    server.setHandler(
        [](const QByteArray&) { return Reply(test::httpResponse("HTTP/1.1 200 OK", {}, "ok")); });
    platform::CancelToken token;
    const platform::ScopedCancelToken stoppable(&token);
    net::TIdHTTP http;
    EXPECT_EQ(http.GetToString(server.url()), QStringLiteral("ok"));
    EXPECT_FALSE(token.isCancelled());

    // A stop of another thread's run is not this thread's.
    platform::CancelToken other;
    other.cancel();
    EXPECT_EQ(http.GetToString(server.url()), QStringLiteral("ok"));
    {
        const platform::ScopedCancelToken nested(&other);
        EXPECT_THROW(platform::throwIfStopped(), platform::EStopped);
    }
    EXPECT_NO_THROW(platform::throwIfStopped());
}

// A probe shows its fallback with the reason "stopped": not a fault, drawn apart, in Chinese.
TEST(ExchangeStopTest, AStoppedProbeShowsItsFallbackAsStopped) {
    ScriptedHttpServer server;
    server.setHandler([](const QByteArray&) { return Reply().silent(); });
    test::HostsOverride hosts({{QStringLiteral("baidu"), server.hostPort()}});
    platform::CancelToken token;
    const platform::ScopedCancelToken stoppable(&token);
    const auto& spec =
        query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages);
    query::FetchOutcome fetched;
    {
        const StopWhenAsked stopper(token, server);
        fetched = query::RunCountProbe(spec, QStringLiteral("example.com"), {});
    }
    EXPECT_EQ(fetched.value, QStringLiteral("0"));
    EXPECT_EQ(fetched.reason, query::FallbackReason::Stopped);
    const query::Outcome outcome = query::outcomeOf(fetched);
    EXPECT_FALSE(query::isFault(outcome.reason));
    EXPECT_EQ(query::reasonName(outcome.reason), QStringLiteral("stopped"));
    EXPECT_EQ(query::OutcomeToolTip(outcome),
              QStringLiteral("已停止：") + server.hostPort().section(u':', 0, 0));
}

} // namespace
} // namespace kelvane
