// Start-up no longer waits for the own-address lookup (the IP window asks on its worker), and
// the timing switch ends the program once both the main window is up and that lookup has ended:
// with a home host that never answers, or answers one byte every 900 ms, that is bounded by the
// settings file's deadline rather than by the lookup's per-wait time-out or the server.
#include "support/scripted_http_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace kelvane {
namespace {

using test::Reply;
using test::ScriptedHttpServer;

constexpr int kDeadlineMs = 1000;
// Without the deadline a silent home costs two 5 s waits and a drip the whole body (90 s);
// this leaves room for the program's own start on a loaded machine.
constexpr int kBoundMs = 8000;

TEST(StartupDeadlineTest, MainWindowShowsWithinTheDeadline) {
    const struct {
        const char* name;
        std::function<Reply()> reply;
    } peers[] = {
        {"silent", [] { return Reply().silent(); }},
        {"900 ms drip",
         [] {
             return Reply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n")
                 .drip(QByteArray(100, 'x'), 1, 900);
         }},
    };
    for (const auto& peer : peers) {
        SCOPED_TRACE(peer.name);
        ScriptedHttpServer server;
        server.setHandler([&](const QByteArray&) { return peer.reply(); });
        // The working folder is made beside the executable and read from the current folder:
        // one fresh folder is both, as for a person who unpacked the program.
        QTemporaryDir dir;
        const QString executable = dir.filePath(QStringLiteral("kelvane"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KELVANE_DESKTOP_PATH), executable));
        QFile ini(dir.filePath(QStringLiteral("kelvane.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[hosts]\nhome=" + server.hostPort().toLatin1() +
                  "\n[network]\ndeadline_ms=" + QByteArray::number(kDeadlineMs) + "\n");
        ini.close();

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KELVANE_CONFIG"), ini.fileName());
        environment.insert(QStringLiteral("KELVANE_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("KELVANE_HOSTS"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(dir.path());
        QElapsedTimer clock;
        clock.start();
        program.start(executable, {});
        ASSERT_TRUE(program.waitForStarted(5000));
        const bool finished = program.waitForFinished(kBoundMs);
        const qint64 elapsed = clock.elapsed();
        if (!finished) {
            program.kill();
            program.waitForFinished(5000);
        }
        EXPECT_TRUE(finished) << "start-up still waiting after " << elapsed << " ms";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        // The lookup really was made, and waited at least until the deadline.
        EXPECT_EQ(server.requests().size(), 1);
        EXPECT_GE(elapsed, kDeadlineMs);
    }
}

} // namespace
} // namespace kelvane
