// The whole site query with every option ticked against the loopback fixture web, against curl
// making the same requests one after another in the same run.
//
//   kelvane_site_query_bench [--runs N]

#include "query/site_query_driver.h"
#include "query/site_query_state.h"
#include "query/standard_probes.h"
#include "support/fixture_web.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace kelvane;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One run of the query; returns its wall time in milliseconds.
double runQuery() {
    query::SiteQueryState view;
    view.txtUrl = QStringLiteral("ab.example");
    const query::SiteQueryOptions all{true, true, true, true, true, true,
                                      true, true, true, true, true};
    query::SiteQueryDriver driver(view, all, query::StandardSiteQueryProbes({}), {},
                                  QStringLiteral("home.example"));
    QElapsedTimer timer;
    timer.start();
    driver.run();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (view.StringGD[1][1] != u"12300")
        std::fprintf(stderr, "site query: unexpected result %s\n", qPrintable(view.StringGD[1][1]));
    return ms;
}

// Every URL the query asked for, in order, from what the fixture web recorded.
QStringList requestedUrls(const test::FixtureWeb& web) {
    QStringList urls;
    for (const char* key : {"home", "sogou", "chinarank", "baidu", "google", "yahoo_explorer",
                            "soso", "youdao", "bing"}) {
        const QString host = web.hostPort(QString::fromLatin1(key));
        for (const QString& line : web.requestLines(QString::fromLatin1(key)))
            urls << QStringLiteral("http://") + host + line.section(u' ', 1, 1);
    }
    return urls;
}

double runCurl(const QStringList& urls) {
    QStringList arguments{QStringLiteral("-s")};
    for (const QString& url : urls)
        arguments << QStringLiteral("-o") << QStringLiteral("/dev/null") << url;
    QProcess curl;
    QElapsedTimer timer;
    timer.start();
    curl.start(QStringLiteral("curl"), arguments);
    curl.waitForFinished(60000);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 15;
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at >= 0 && at + 1 < args.size())
        runs = std::max(1, args[at + 1].toInt());

    test::FixtureWeb web;
    web.addStandardSite();
    runQuery(); // warm-up, and the list of requests for curl
    const QStringList urls = requestedUrls(web);

    std::vector<double> query, curl;
    for (int i = 0; i < runs; ++i) {
        query.push_back(runQuery());
        curl.push_back(runCurl(urls));
    }
    std::printf("site query, all options, %lld requests, median of %d runs:\n",
                static_cast<long long>(urls.size()), runs);
    std::printf("  kelvane %.2f ms, curl (one process, same URLs in turn) %.2f ms, ratio %.2f\n",
                median(query), median(curl), median(query) / median(curl));
    return 0;
}
