// The count pattern over generated result pages, with the match at the very end, for the
// product's matcher and its peers in the same run. Peers that crash run in a child process.
#include "platform/regexp.h"

#include <QRegularExpression>
#include <chrono>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#ifdef KELVANE_HAVE_PCRE2
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif

namespace {

const QString kPattern = QStringLiteral("找到相关网页((.|\\n)*?)篇");

// Filler of ordinary result-page text and line breaks, then the count.
QString plainPage(qsizetype megabytes) {
    const QString line = QStringLiteral("<div class=\"result\"><a href=\"http://ab.example/\">结果 "
                                        "result title</a> snippet text 网页 快照</div>\r\n");
    QString page;
    const qsizetype target = megabytes << 20;
    page.reserve(target);
    qsizetype bytes = 0;
    const qsizetype lineBytes = line.toUtf8().size();
    while (bytes + lineBytes < target) {
        page += line;
        bytes += lineBytes;
    }
    page += QStringLiteral("找到相关网页约12,300篇");
    return page;
}

// Openers and no closer: a backtracking matcher goes quadratic here.
QString hostilePage(qsizetype megabytes) {
    const QString opener = QStringLiteral("找到相关网页");
    const qsizetype openers = 100000;
    const qsizetype target = megabytes << 20;
    const qsizetype fillPerOpener = (target / openers) - opener.toUtf8().size();
    QString page;
    page.reserve(target);
    const QString fill(std::max<qsizetype>(fillPerOpener, 1), u'x');
    for (qsizetype i = 0; i < openers; ++i)
        page += opener + fill;
    return page;
}

double seconds(const std::function<void()>& work, int repeats) {
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Runs a peer in a child so a crash (stack overflow) becomes a result, not the end of the run.
std::string guarded(const std::function<std::string()>& work) {
    int fds[2];
    if (pipe(fds) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const std::string result = work();
        if (write(fds[1], result.data(), result.size()) < 0)
            _exit(2);
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return "crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    return out;
}

std::string rate(double megabytes, double secs) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f MB/s", megabytes / secs);
    return text;
}

double matcherSeconds(const QString& page, qsizetype expectedLength, int repeats) {
    return seconds(
        [&] {
            kelvane::platform::TRegExp re;
            re.setPattern(kPattern);
            const auto found = re.Execute(page);
            if (expectedLength >= 0 && (found.size() != 1 || found[0].length != expectedLength))
                std::fprintf(stderr, "TRegExp: wrong match\n");
            if (expectedLength < 0 && !found.isEmpty())
                std::fprintf(stderr, "TRegExp: unexpected match\n");
        },
        repeats);
}

std::string stdRegexPeer(const std::string& utf8) {
    return guarded([&] {
        std::regex re("找到相关网页((.|\\n)*?)篇");
        std::smatch m;
        const double secs = seconds([&] { std::regex_search(utf8, m, re); }, 1);
        return rate(double(utf8.size()) / (1 << 20), secs) + (m.empty() ? " (no match)" : "");
    });
}

std::string qregexPeer(const QString& page) {
    QRegularExpression re(kPattern);
    QRegularExpressionMatch m;
    const double secs = seconds([&] { m = re.match(page); }, 1);
    const double mb = double(page.toUtf8().size()) / (1 << 20);
    return rate(mb, secs) + (m.hasMatch() ? "" : " (reports no match)");
}

#ifdef KELVANE_HAVE_PCRE2
std::string pcre2Peer(const std::string& utf8) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>("找到相关网页((.|\\n)*?)篇"),
                                     PCRE2_ZERO_TERMINATED, PCRE2_UTF, &error, &offset, nullptr);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    int rc = 0;
    const double secs = seconds(
        [&] {
            rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), 0, 0,
                             data, nullptr);
        },
        1);
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    std::string result = rate(double(utf8.size()) / (1 << 20), secs);
    if (rc < 0) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(rc, message, sizeof message);
        result += " (failed: " + std::string(reinterpret_cast<char*>(message)) + ")";
    }
    return result;
}
#endif

} // namespace

int main() {
    std::printf("%-22s %12s %28s %28s %28s\n", "page", "TRegExp", "std::regex", "PCRE2 JIT",
                "QRegularExpression");
    double plainTenSecondsPerMb = 0;
    for (qsizetype mb : {1, 10, 50}) {
        const QString page = plainPage(mb);
        const std::string utf8 = page.toStdString();
        const double megabytes = double(utf8.size()) / (1 << 20);
        const double secs = matcherSeconds(page, 14, mb >= 50 ? 3 : 5);
        if (mb == 10)
            plainTenSecondsPerMb = secs / megabytes;
        std::string pcre = "n/a";
#ifdef KELVANE_HAVE_PCRE2
        pcre = pcre2Peer(utf8);
#endif
        std::printf("%-22s %12s %28s %28s %28s\n", (std::to_string(mb) + " MB plain").c_str(),
                    rate(megabytes, secs).c_str(), stdRegexPeer(utf8).c_str(), pcre.c_str(),
                    qregexPeer(page).c_str());
    }
    // The opener at the top and the closer at the bottom: one lazy span over the whole page.
    {
        const QString filler = plainPage(1);
        const QString page =
            QStringLiteral("找到相关网页") + filler.left(filler.size() - 14) + QStringLiteral("篇");
        const std::string utf8 = page.toStdString();
        const double megabytes = double(utf8.size()) / (1 << 20);
        const double secs = matcherSeconds(page, page.size(), 5);
        std::string pcre = "n/a";
#ifdef KELVANE_HAVE_PCRE2
        pcre = guarded([&] { return pcre2Peer(utf8); });
#endif
        std::printf("%-22s %12s %28s %28s %28s\n", "1 MB one long span",
                    rate(megabytes, secs).c_str(), stdRegexPeer(utf8).c_str(), pcre.c_str(),
                    qregexPeer(page).c_str());
    }
    const QString hostile = hostilePage(10);
    const double hostileMb = double(hostile.toUtf8().size()) / (1 << 20);
    const double hostileSecs = matcherSeconds(hostile, -1, 3);
    std::string pcre = "n/a";
#ifdef KELVANE_HAVE_PCRE2
    pcre = guarded([&] { return pcre2Peer(hostile.toStdString()); });
#endif
    std::printf("%-22s %12s %28s %28s %28s\n", "10 MB hostile",
                rate(hostileMb, hostileSecs).c_str(), "-", pcre.c_str(), "-");
    std::printf("hostile/plain time per MB: %.2f (linear when near 1, target <= 3)\n",
                (hostileSecs / hostileMb) / plainTenSecondsPerMb);
    return 0;
}
