// Peak memory of one site probe over a 30 MB page, as a ratio to the page: each run in a
// child process of its own, whose peak resident size starts where the fork left it.
//
//   kelvane_probe_memory_bench [--megabytes N]

#include "platform/text_codec.h"
#include "query/count_probes.h"
#include "support/hosts_override.h"
#include "support/scripted_http_server.h"

#include <QCoreApplication>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace kelvane;

long peakKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The growth of the peak in a child that runs the Baidu site-count probe once; -1 on failure.
long probeGrowthKb(const QString& expected) {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const long before = peakKb();
        const query::FetchOutcome outcome = query::RunCountProbe(
            query::CountProbeSpecFor(query::EngineId::Baidu, query::CountMetric::IndexedPages),
            QStringLiteral("ab.example"), {});
        const long growth = outcome.value == expected ? peakKb() - before : -1;
        (void)!::write(fds[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(fds[1]);
    long growth = -1;
    if (::read(fds[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return growth;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int megabytes = 30;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--megabytes"));
    if (at >= 0 && at + 1 < arguments.size())
        megabytes = arguments[at + 1].toInt();

    const struct {
        const char* name;
        QByteArray filler;
    } pages[] = {
        {"ASCII markup", "<div class=\"r\"><a href=\"/x\">result</a></div>\n"},
        {"GBK text", platform::toAnsi(u"中文搜索结果的摘要文字，") + "\n"},
    };
    std::printf("%-14s %10s %12s %8s\n", "page", "page MB", "growth MB", "ratio");
    for (const auto& page : pages) {
        const qsizetype size = qsizetype(megabytes) << 20;
        QByteArray body = page.filler.repeated(size / page.filler.size());
        body += platform::toAnsi(u"找到相关网页约12,300篇");
        test::ScriptedHttpServer server;
        server.setHandler([&](const QByteArray&) {
            return test::Reply(test::httpResponse("HTTP/1.1 200 OK", {}, body));
        });
        const test::HostsOverride hosts({{QStringLiteral("baidu"), server.hostPort()}});
        const long growth = probeGrowthKb(QStringLiteral("12300"));
        const double pageMb = double(body.size()) / (1 << 20);
        std::printf("%-14s %10.1f %12.1f %8.2f\n", page.name, pageMb, growth / 1024.0,
                    growth < 0 ? -1.0 : growth / 1024.0 / pageMb);
    }
    return 0;
}
