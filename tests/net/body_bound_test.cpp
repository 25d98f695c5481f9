// Body bounds: a final body past max_body_bytes fails with its own message and memory stays
// near the bound; error and redirect bodies are read up to 1 MB, then the connection goes.
#include "hostile_peer.h"
#include "net/idhttp.h"
#include "query/count_probes.h"
#include "support/error_text.h"
#include "support/hosts_override.h"
#include "support/memory_bounds.h"
#include "support/scripted_http_server.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace kelvane {
namespace {

using test::HostilePeer;
using test::Reply;
using test::ScriptedHttpServer;

TEST(BodyBoundTest, FinalBodyUpToTheBoundAndNotOneByteMore) {
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const QByteArray toClose = "HTTP/1.1 200 OK\r\n\r\n";
    struct Case {
        const char* name;
        Reply reply;
        QString error;
        QByteArray body;
    };
    const QString tooLarge = QStringLiteral("Response body larger than 10 bytes.");
    const Case cases[] = {
        {"length at the bound",
         test::httpResponse("HTTP/1.1 200 OK", {}, "0123456789"),
         {},
         "0123456789"},
        {"length past the bound",
         test::httpResponse("HTTP/1.1 200 OK", {}, "0123456789a"),
         tooLarge,
         {}},
        {"chunks at the bound",
         chunked + "5\r\n01234\r\n5\r\n56789\r\n0\r\n\r\n",
         {},
         "0123456789"},
        {"chunks past the bound", chunked + "5\r\n01234\r\n6\r\n56789a\r\n0\r\n\r\n", tooLarge, {}},
        {"to the close, past the bound", Reply(toClose + "0123456789abc").close(), tooLarge, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server({c.reply});
        net::TIdHTTP http;
        http.ReadTimeout = 2000;
        http.Exchange.maxBodyBytes = 10;
        QByteArray stream;
        EXPECT_EQ(test::errorOf([&] { http.GetToStream(server.url(), stream); }), c.error);
        EXPECT_EQ(stream, c.body);
    }
}

// A redirect whose body would go on for 3 MB: 1 MB is read, the connection dropped and the
// follow-up sent on a new one.
TEST(BodyBoundTest, LongRedirectBodyDropsTheConnection) {
    ScriptedHttpServer server(
        {Reply("HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 3000000\r\n\r\n" +
               QByteArray(3000000, 'r')),
         Reply(test::httpResponse("HTTP/1.1 200 OK", {}, "done"))});
    net::TIdHTTP http;
    http.HandleRedirects = true;
    http.ReadTimeout = 2000;
    QByteArray stream;
    EXPECT_EQ(test::errorOf([&] { http.GetToStream(server.url(QStringLiteral("/a")), stream); }),
              QString());
    EXPECT_EQ(stream, "done");
    EXPECT_EQ(server.acceptedConnections(), 2);
}

struct ChildReport {
    long growthMb = -1;
    QString value;
    QString error;
};

// Runs a count probe in a child process, whose peak resident size is its own, and reports
// how much it grew.
ChildReport probeInChild(const QString& hostPort) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    test::HostsOverride hosts({{QStringLiteral("baidu"), hostPort}});
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const long before = test::peakRssMb();
        const query::FetchOutcome outcome = query::RunCountProbe(
            query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages),
            QStringLiteral("example.com"), {});
        const QByteArray report = QByteArray::number(test::peakRssMb() - before) + '\n' +
                                  outcome.value.toUtf8() + '\n' + outcome.errorMessage.toUtf8();
        (void)!::write(pipeFds[1], report.constData(), static_cast<size_t>(report.size()));
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray received;
    char buffer[4096];
    for (;;) {
        pollfd entry{pipeFds[0], POLLIN, 0};
        if (::poll(&entry, 1, 20000) <= 0)
            break;
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        received.append(buffer, got);
    }
    ::close(pipeFds[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const QList<QByteArray> lines = received.split('\n');
    if (lines.size() != 3)
        return {};
    return {lines[0].toLong(), QString::fromUtf8(lines[1]), QString::fromUtf8(lines[2])};
}

// 200 MB, announced or chunked without end: the probe shows its fallback with the bound's
// message, and the process grows by far less than the body.
TEST(BodyBoundTest, TwoHundredMegabytesThroughAProbe) {
    KELVANE_SKIP_UNLESS_MEMORY_MEASURABLE();
    const struct {
        const char* name;
        QByteArray head;
        QByteArray piece;
    } cases[] = {
        {"Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: 209715200\r\n\r\n", "x"},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
         "1000\r\n" + QByteArray(0x1000, 'x') + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostilePeer peer([&c](int fd) {
            if (test::readUntil(fd, "\r\n\r\n") && test::sendAll(fd, c.head))
                test::sendForever(fd, c.piece);
        });
        const ChildReport report = probeInChild(QStringLiteral("127.0.0.1:%1").arg(peer.port()));
        EXPECT_EQ(report.value, QStringLiteral("0"));
        EXPECT_EQ(report.error, QStringLiteral("Response body larger than 33554432 bytes."));
        RecordProperty(std::string("growthMb_") + c.name, static_cast<int>(report.growthMb));
        EXPECT_GE(report.growthMb, 0);
        EXPECT_LT(report.growthMb, 100);
    }
}

} // namespace
} // namespace kelvane
