// A batch of listed sites against the fixture web with a set latency per answer: the wall time
// of --jobs 1, 4, 8 and 16 beside the latency floor (requests x latency / jobs) of the same
// run, and the CPU time per site.
#include "platform/text_codec.h"
#include "support/cli_runner.h"
#include "support/fixture_web.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace kelvane;

namespace {

const char* const kKeys[] = {"home", "baidu",  "google", "yahoo_explorer", "sogou",
                             "soso", "youdao", "bing",   "chinarank"};

qint64 requestCount(const test::FixtureWeb& web) {
    qint64 count = 0;
    for (const char* key : kKeys)
        count += web.requestLines(QString::fromLatin1(key)).size();
    return count;
}

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int argument(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? std::max(1, args[at + 1].toInt()) : fallback;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int sites = argument(args, QStringLiteral("--sites"), 100);
    const int latencyMs = argument(args, QStringLiteral("--latency"), 20);

    QStringList names;
    for (int i = 1; i <= sites; ++i)
        names << QStringLiteral("s%1.example").arg(i);
    test::FixtureWeb web;
    for (const QString& name : names)
        web.addStandardSite(name);
    web.setLatency(latencyMs);

    std::printf("site batch, %d listed sites, all options, %d ms per answer, no pacing\n", sites,
                latencyMs);
    std::printf("%6s %10s %10s %8s %12s\n", "jobs", "wall s", "floor s", "ratio", "CPU ms/site");
    for (const int jobs : {1, 4, 8, 16}) {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath(QStringLiteral("zenvo/data"));
        QFile list(folder.filePath(QStringLiteral("zenvo/website.txt")));
        if (!list.open(QIODevice::WriteOnly))
            return 1;
        list.write(platform::toAnsi(names.join(QStringLiteral("\r\n"))));
        list.close();

        const qint64 before = requestCount(web);
        const double cpuBefore = childCpuSeconds();
        QElapsedTimer timer;
        timer.start();
        const test::CliResult result = test::runCli(
            QStringLiteral(KELVANE_CLI_PATH),
            {QStringLiteral("site"), QStringLiteral("--all-listed"), QStringLiteral("--options"),
             QStringLiteral("all"), QStringLiteral("--json"), QStringLiteral("--jobs"),
             QString::number(jobs)},
            folder.path(), 30 * 60 * 1000);
        const double wall = double(timer.nsecsElapsed()) / 1e9;
        const double cpu = childCpuSeconds() - cpuBefore;
        const qint64 requests = requestCount(web) - before;
        const double floor = double(requests) * latencyMs / 1000.0 / jobs;
        if (result.exitCode != 3 || result.out.count(u'\n') != sites)
            std::fprintf(stderr, "jobs %d: unexpected exit %d, %lld lines\n", jobs, result.exitCode,
                         static_cast<long long>(result.out.count(u'\n')));
        std::printf("%6d %10.2f %10.2f %8.2f %12.1f\n", jobs, wall, floor, wall / floor,
                    cpu * 1000.0 / sites);
    }
    return 0;
}
