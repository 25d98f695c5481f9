// How long the main window stops answering during a site query: a 5 ms timer on the window's
// thread records the longest gap between its ticks while the query waits on a loopback peer
// that answers after 2 s. A window that keeps processing events shows gaps near 5 ms.
//
//   kelvane_window_stall_bench [--runs N]

#include "app/main_window.h"
#include "app/windows.h"
#include "platform/paths.h"
#include "support/fixture_web.h"
#include "widgets/error_report.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace kelvane;

constexpr int kTickMs = 5;
constexpr int kAnswerAfterMs = 2000;
constexpr qint64 kRunBoundMs = 60000;

struct Stall {
    double longestGapMs = 0;
    double runMs = 0;
    int ticks = 0;
};

// One query with only PageRank ticked, whose peer answers late.
Stall runQuery(app::TfrmMain& main) {
    Stall stall;
    QElapsedTimer sinceTick;
    QElapsedTimer run;
    QTimer tick;
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, &main, [&] {
        stall.longestGapMs = std::max(stall.longestGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
        ++stall.ticks;
    });
    sinceTick.start();
    run.start();
    tick.start();
    main.findChild<QPushButton*>(QStringLiteral("btnQure"))->click();
    // The click itself may hold the thread for the whole query; otherwise the run ends later.
    while (!main.btnQureEnabled() && run.elapsed() < kRunBoundMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, kTickMs);
    stall.longestGapMs = std::max(stall.longestGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
    tick.stop();
    stall.runMs = double(run.nsecsElapsed()) / 1e6;
    return stall;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("offscreen")).toUtf8());
    QApplication application(argc, argv);
    int runs = 3;
    const QStringList arguments = QApplication::arguments();
    const qsizetype runsAt = arguments.indexOf(QStringLiteral("--runs"));
    if (runsAt >= 0 && runsAt + 1 < arguments.size())
        runs = std::max(1, arguments[runsAt + 1].toInt());

    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()) ||
        !QDir().mkpath(QStringLiteral("zenvo/data")))
        return 1;
    const platform::ScopedExecutableDir executableDir(folder.path());
    QStringList reports;
    const widgets::ScopedErrorReportSink sink(
        [&](const QString&, const QString& text) { reports << text; });
    test::FixtureWeb web;
    // PageRank: a probe without a read time-out of its own, so the query waits the 2 s.
    web.route(QStringLiteral("home"), "/pr/?domain=ab.example",
              test::Reply()
                  .delay(kAnswerAfterMs)
                  .send("HTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\n<strong>4</strong>"));

    app::CreateWindows();
    app::TfrmMain& main = *app::Windows().frmMain;
    main.show();
    QApplication::processEvents();
    for (const char* name : {"chkAlexa", "chkBaidu", "chkGoogle"})
        main.findChild<QCheckBox*>(QString::fromLatin1(name))->setChecked(false);
    main.findChild<QComboBox*>(QStringLiteral("txtUrl"))->setEditText(QStringLiteral("ab.example"));

    std::vector<double> gaps;
    for (int i = 0; i < runs; ++i) {
        const Stall stall = runQuery(main);
        gaps.push_back(stall.longestGapMs);
        std::printf("run %d: query %.0f ms, %d ticks of %d ms, longest gap %.1f ms\n", i + 1,
                    stall.runMs, stall.ticks, kTickMs, stall.longestGapMs);
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("median longest gap: %.1f ms (peer answers after %d ms)\n", gaps[gaps.size() / 2],
                kAnswerAfterMs);
    for (const QString& report : reports)
        std::fprintf(stderr, "error report: %s\n", qPrintable(report));
    app::DestroyWindows();
    return 0;
}
