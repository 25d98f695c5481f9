// HTTPS against curl over TLS from the same nginx on loopback, in the same run: a large body,
// then 100 small pages on one kept-alive connection and on a new connection each. Prints
// median wall times and the ratios; asserts nothing.
#include "net/idhttp.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace kelvane;

double medianMs(int runs, const std::function<void()>& body) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        body();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void curl(const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("curl"), arguments);
    if (!process.waitForFinished(300000) || process.exitCode() != 0)
        std::fprintf(stderr, "curl failed: %s\n", qPrintable(process.errorString()));
}

void report(const char* what, double ours, double theirs) {
    std::printf("%-34s kelvane %9.1f ms  curl %9.1f ms  ratio %.2f\n", what, ours, theirs,
                ours / theirs);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int sizeMb = argc > 1 ? std::atoi(argv[1]) : 100;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const int small = 100;

    const test::TestCertificates& certs = test::TestCertificates::shared();
    if (!certs.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(certs.error()));
        return 1;
    }
    test::NginxServer nginx;
    nginx.useTls(certs.good().certificate, certs.good().key);
    QByteArray big(qsizetype(sizeMb) * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 131) ^ (i >> 11));
    nginx.writeFile(QStringLiteral("big.bin"), big);
    nginx.writeFile(QStringLiteral("small.html"), QByteArray(2048, 'x'));
    big = QByteArray();
    if (!nginx.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(nginx.error()));
        return 1;
    }
    platform::ExchangeSettings settings;
    settings.caFile = certs.caFile();
    settings.followHttps = true;
    settings.maxBodyBytes = 0;
    settings.deadlineMs = 0;
    const QString bigUrl = nginx.url(QStringLiteral("/big.bin"));
    const QString smallUrl = nginx.url(QStringLiteral("/small.html"));
    const QStringList curlTls{QStringLiteral("-s"), QStringLiteral("--cacert"), certs.caFile()};

    const double oursBig = medianMs(runs, [&] {
        net::TIdHTTP http;
        http.Exchange = settings;
        QByteArray body;
        http.GetToStream(bigUrl, body);
    });
    const double curlBig = medianMs(runs, [&] { curl(curlTls + QStringList{bigUrl}); });
    report(qPrintable(QStringLiteral("%1 MB over TLS").arg(sizeMb)), oursBig, curlBig);

    QStringList smallUrls;
    for (int i = 0; i < small; ++i)
        smallUrls << smallUrl;
    const double oursKept = medianMs(runs, [&] {
        net::TIdHTTP http;
        http.Exchange = settings;
        for (int i = 0; i < small; ++i) {
            QByteArray body;
            http.GetToStream(smallUrl, body);
        }
    });
    const double curlKept = medianMs(runs, [&] { curl(curlTls + smallUrls); });
    report("100 small, one kept-alive conn", oursKept, curlKept);

    const double oursNew = medianMs(runs, [&] {
        for (int i = 0; i < small; ++i) {
            net::TIdHTTP http;
            http.Exchange = settings;
            QByteArray body;
            http.GetToStream(smallUrl, body);
        }
    });
    // One curl process, a new connection for every page.
    const double curlNew = medianMs(runs, [&] {
        curl(curlTls + QStringList{QStringLiteral("-H"), QStringLiteral("Connection: close")} +
             smallUrls);
    });
    report("100 small, new connection each", oursNew, curlNew);
    return 0;
}
