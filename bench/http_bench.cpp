// GetToStream of a large body from nginx on loopback against curl fetching the same URL in the
// same run: wall time of each, their ratio, and peak memory against the body size.
//
//   kelvane_http_bench [--size-mb N] [--runs N]   serve a generated file from nginx and compare
//   kelvane_http_bench --fetch URL                one GetToStream, for timing from outside

#include "net/idhttp.h"
#include "support/nginx_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

using kelvane::test::NginxServer;

long peakRssKb(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

// Written in pieces so that the bench's own peak memory is the download, not the file.
bool writeRandomFile(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (qint64 left = size; left > 0; left -= piece.size()) {
        generator.fillRange(reinterpret_cast<quint32*>(piece.data()), piece.size() / 4);
        const qint64 n = std::min<qint64>(left, piece.size());
        if (file.write(piece.constData(), n) != n)
            return false;
    }
    return true;
}

qint64 fetchWithKelvane(const QString& url) {
    kelvane::net::TIdHTTP http;
    http.ReadTimeout = 30000;
    QByteArray body;
    http.GetToStream(url, body);
    return body.size();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int compare(int sizeMb, int runs) {
    NginxServer nginx;
    if (!NginxServer::installed()) {
        std::fprintf(stderr, "nginx is not installed at %s\n", NginxServer::kBinary);
        return 1;
    }
    if (!nginx.start()) {
        std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(nginx.error()));
        return 1;
    }
    const qint64 size = qint64(sizeMb) * 1024 * 1024;
    if (!writeRandomFile(QDir(nginx.docRoot()).filePath(QStringLiteral("big.bin")), size)) {
        std::fprintf(stderr, "cannot write the body file\n");
        return 1;
    }
    const QString url = nginx.url(QStringLiteral("/big.bin"));
    const long baseRss = peakRssKb(RUSAGE_SELF);

    std::vector<double> ours, theirs;
    for (int run = 0; run < runs; ++run) {
        // Alternate so that neither side always meets a warmer page cache.
        QElapsedTimer clock;
        clock.start();
        const qint64 got = fetchWithKelvane(url);
        ours.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (got != size) {
            std::fprintf(stderr, "kelvane fetched %lld of %lld bytes\n", got, size);
            return 1;
        }
        QProcess curl;
        clock.restart();
        curl.start(QStringLiteral("curl"),
                   {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"), url});
        if (!curl.waitForFinished(120000) || curl.exitCode() != 0) {
            std::fprintf(stderr, "curl failed: %s\n", qPrintable(curl.errorString()));
            return 1;
        }
        theirs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double oursMs = median(ours);
    const double theirsMs = median(theirs);
    const long ourRss = peakRssKb(RUSAGE_SELF);
    // RUSAGE_CHILDREN would count the forked bench before exec; ask time(1) instead.
    long curlRss = -1;
    if (QFile::exists(QStringLiteral("/usr/bin/time"))) {
        QProcess timed;
        timed.start(QStringLiteral("/usr/bin/time"),
                    {QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("curl"),
                     QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"), url});
        if (timed.waitForFinished(120000))
            curlRss = timed.readAllStandardError().trimmed().split('\n').last().toLong();
    }
    const double bodyKb = double(size) / 1024;
    std::printf("body                 %d MB from nginx on 127.0.0.1, %d runs each (median)\n",
                sizeMb, runs);
    std::printf("kelvane GetToStream  %8.1f ms  %7.0f MB/s\n", oursMs, sizeMb / (oursMs / 1000));
    std::printf("curl -o /dev/null    %8.1f ms  %7.0f MB/s\n", theirsMs,
                sizeMb / (theirsMs / 1000));
    std::printf("wall ratio kelvane/curl  %.2f\n", oursMs / theirsMs);
    std::printf("peak RSS kelvane     %ld KB (before fetching %ld KB), %.2f x body size\n", ourRss,
                baseRss, ourRss / bodyKb);
    std::printf("peak RSS curl        %ld KB (writes to /dev/null, keeps no body; -1: unknown)\n",
                curlRss);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--fetch")) {
        try {
            std::printf("%lld bytes\n", fetchWithKelvane(args[2]));
            return 0;
        } catch (const kelvane::platform::KelvaneError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }
    int sizeMb = 100;
    int runs = 5;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--size-mb"))
            sizeMb = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
    }
    if (sizeMb <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: %s [--size-mb N] [--runs N] | --fetch URL\n", argv[0]);
        return 2;
    }
    try {
        return compare(sizeMb, runs);
    } catch (const kelvane::platform::KelvaneError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
