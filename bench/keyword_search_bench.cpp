// A five-page Baidu keyword search against the loopback fixture web (site on no page, so all
// five pages are fetched and matched), against curl fetching the same five URLs over one
// connection in the same run. curl's own per-transfer times are summed, so its process start
// is not counted. Also times decoding and matching alone over the same pages: the matcher's
// share of the search, and the decoder's.
//
//   kelvane_keyword_search_bench [--page-kb N] [--rounds N]

#include "keyword/keyword_rank_search.h"
#include "platform/regexp.h"
#include "platform/text_codec.h"
#include "support/fixture_web.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kelvane;

namespace {

constexpr int kPages = 5;

// A Baidu result page of about the given size: ten entries among ordinary markup.
QByteArray resultPage(int page, int kilobytes) {
    QString text = QStringLiteral("<html><head><title>kw_百度搜索</title></head><body>\r\n");
    const QString filler =
        QStringLiteral("<div class=\"c-abstract\">摘要文字 snippet text with <em>kw</em> 网页 快照 "
                       "<a href=\"http://www.baidu.com/link?url=abcdef\">link</a></div>\r\n");
    const qsizetype target = qsizetype(kilobytes) * 1024;
    int entry = 0;
    while (text.toUtf8().size() < target) {
        for (int i = 0; i < 20; ++i)
            text += filler;
        if (entry < 10) {
            text += QStringLiteral("<span class=\"g\"><font color=\"#008000\">www.other%1-%2."
                                   "example/ 12K 2010-1-26 </font></span>\r\n")
                        .arg(page)
                        .arg(++entry);
        }
    }
    text += QStringLiteral("</body></html>\r\n");
    return platform::toAnsi(text);
}

QByteArray target(int page) {
    return "/s?wd=kw&pn=" + QByteArray::number((page - 1) * 10);
}

double best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int pageKb = 150;
    int rounds = 51;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--page-kb")
            pageKb = args[i + 1].toInt();
        if (args[i] == u"--rounds")
            rounds = args[i + 1].toInt();
    }

    test::FixtureWeb web;
    std::vector<QByteArray> pages;
    for (int p = 1; p <= kPages; ++p) {
        pages.push_back(resultPage(p, pageKb));
        web.route(QStringLiteral("baidu"), target(p),
                  test::httpResponse("HTTP/1.1 200 OK", {"Content-Type: text/html"}, pages.back()));
    }
    const QString base = QStringLiteral("http://") + web.hostPort(QStringLiteral("baidu"));

    std::vector<double> ours, curls, decoding, matching;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const keyword::RankSearchResult result =
            keyword::KeywordRankSearch(query::EngineId::Baidu, QStringLiteral("www.ab.example"),
                                       QStringLiteral("kw"), 1, kPages, {});
        ours.push_back(timer.nsecsElapsed() / 1e6);
        if (result.outcome != keyword::RankSearchOutcome::NotFound) {
            std::fprintf(stderr, "search did not run to its end: %s\n", qPrintable(result.text));
            return 1;
        }

        QStringList curlArgs{QStringLiteral("-s"), QStringLiteral("-w"),
                             QStringLiteral("%{time_total}\\n")};
        for (int p = 1; p <= kPages; ++p)
            curlArgs << QStringLiteral("-o") << QStringLiteral("/dev/null")
                     << base + QString::fromLatin1(target(p));
        QProcess curl;
        curl.start(QStringLiteral("curl"), curlArgs);
        if (!curl.waitForFinished(60000) || curl.exitCode() != 0) {
            std::fprintf(stderr, "curl failed: %s\n", qPrintable(curl.errorString()));
            return 1;
        }
        double total = 0;
        for (const QByteArray& line : curl.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                total += line.toDouble() * 1000;
        }
        curls.push_back(total);

        // What the search does with each page once it is in, page by page as the search
        // does: decode, then match.
        platform::TRegExp matcher;
        matcher.setMultiline(true);
        matcher.setGlobal(true);
        matcher.setPattern(QStringLiteral("<font color=\"#008000\">((.|\\n)*?)</font>"));
        qsizetype entries = 0;
        qint64 decodeNs = 0;
        qint64 matchNs = 0;
        for (const QByteArray& page : pages) {
            timer.restart();
            const QString text = platform::fromAnsi(page);
            decodeNs += timer.nsecsElapsed();
            timer.restart();
            entries += matcher.Execute(text).size();
            matchNs += timer.nsecsElapsed();
        }
        decoding.push_back(decodeNs / 1e6);
        matching.push_back(matchNs / 1e6);
        if (entries != 10 * kPages) {
            std::fprintf(stderr, "expected %d entries, found %lld\n", 10 * kPages,
                         static_cast<long long>(entries));
            return 1;
        }
    }
    // Other work on the machine only ever adds time: the best round is the steadier figure.
    std::printf("five pages of %d KB, %d rounds, each side in every round: best (median)\n", pageKb,
                rounds);
    const auto row = [](const char* what, const std::vector<double>& values) {
        std::printf("%-28s %8.2f ms (%.2f)\n", what, best(values), median(values));
    };
    row("KeywordRankSearch", ours);
    row("curl, one connection", curls);
    row("  decoding alone", decoding);
    row("  matching alone", matching);
    std::printf("ratio kelvane/curl           %8.2f (%.2f)\n", best(ours) / best(curls),
                median(ours) / median(curls));
    std::printf("matcher share of the search  %7.0f%% (%.0f%%)\n",
                100 * best(matching) / best(ours), 100 * median(matching) / median(ours));
    std::printf("decoder share of the search  %7.0f%% (%.0f%%)\n",
                100 * best(decoding) / best(ours), 100 * median(decoding) / median(ours));
    return 0;
}
