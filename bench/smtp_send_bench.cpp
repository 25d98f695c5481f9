// One message to 1000 recipients, one transaction each, in one session against a loopback
// aiosmtpd; Python's smtplib sends the same messages to the same server in the same run.
// Prints the best of a few rounds for each and the ratio (ours / smtplib).

#include "net/idsmtp.h"
#include "net/message_writer.h"
#include "platform/locale_format.h"
#include "support/aiosmtpd_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kelvane;

namespace {

constexpr int kRecipients = 1000;
constexpr int kRounds = 3;

QString recipient(int i) {
    return QStringLiteral("user%1@example.cn").arg(i);
}

TIdMessage benchMessage() {
    TIdMessage m;
    m.From.setText(u"sender@example.cn");
    m.Subject = QStringLiteral("Kelvane 站长工具 每月报告");
    m.setBodyText(QStringLiteral("你好，\r\n这是一封群发测试邮件。\r\nKelvane\r\n"));
    return m;
}

double sendOurs(quint16 port) {
    TIdSMTP client;
    client.Host = QStringLiteral("127.0.0.1");
    client.Port = port;
    client.Username = QStringLiteral("kelvane");
    client.Password = QStringLiteral("secret");
    TIdMessage m = benchMessage();
    QElapsedTimer timer;
    timer.start();
    client.Connect();
    client.Authenticate();
    for (int i = 0; i < kRecipients; ++i) {
        m.setRecipientsText(recipient(i));
        client.Send(m);
    }
    client.Disconnect();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// smtplib with the same login and, per message, the same commands: RSET (when `rset`), MAIL,
// RCPT, DATA. It times itself, so the interpreter's start is not counted.
const char* const kPythonSender = R"(
import smtplib, sys, time
port, count, rset, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3] == "1", sys.argv[4]
template = open(path, "rb").read()
start = time.perf_counter()
s = smtplib.SMTP("127.0.0.1", port)
s.login("kelvane", "secret")
for i in range(count):
    to = "user%d@example.cn" % i
    if rset:
        s.rset()
    s.sendmail("sender@example.cn", [to], template.replace(b"@TO@", to.encode()))
s.quit()
print(time.perf_counter() - start)
)";

double sendPython(const QString& python, quint16 port, bool rset, const QString& templatePath) {
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromUtf8(kPythonSender),
                           QString::number(port), QString::number(kRecipients),
                           rset ? QStringLiteral("1") : QStringLiteral("0"), templatePath});
    if (!process.waitForFinished(300000) || process.exitCode() != 0) {
        std::fprintf(stderr, "smtplib run failed: %s\n",
                     process.readAllStandardError().constData());
        return -1;
    }
    return process.readAllStandardOutput().trimmed().toDouble();
}

// The message as our writer makes it, with a placeholder for the recipient, without the final
// "." (smtplib adds that and does the dot stuffing itself; the body has no dot lines).
QString writeTemplate(const QTemporaryDir& dir) {
    TIdMessage m = benchMessage();
    m.setRecipientsText(u"@TO@");
    QByteArray data = messageData(m, MessageFormat::current());
    data.chop(3);
    const QString path = dir.filePath(QStringLiteral("message.eml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(data);
    return path;
}

} // namespace

int main() {
    ScopedFormatLocale locale(QLocale(QLocale::Chinese, QLocale::China));
    test::AiosmtpdServer::Options options;
    options.keepMessages = false;
    test::AiosmtpdServer server(options);
    if (!server.available()) {
        std::printf("python3-aiosmtpd is not installed; nothing measured\n");
        return 0;
    }
    if (!server.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return 1;
    }
    QTemporaryDir dir;
    const QString templatePath = writeTemplate(dir);

    double ours = 1e9, pyRset = 1e9, pyPlain = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, sendOurs(server.port()));
        pyRset = std::min(pyRset, sendPython(server.python(), server.port(), true, templatePath));
        pyPlain =
            std::min(pyPlain, sendPython(server.python(), server.port(), false, templatePath));
    }
    std::printf("%d transactions in one session, best of %d rounds\n", kRecipients, kRounds);
    std::printf("  TIdSMTP (RSET, MAIL, RCPT, DATA):     %.3f s\n", ours);
    std::printf("  smtplib (rset, MAIL, RCPT, DATA):     %.3f s   ratio %.2f\n", pyRset,
                ours / pyRset);
    std::printf("  smtplib sendmail (MAIL, RCPT, DATA):  %.3f s   ratio %.2f\n", pyPlain,
                ours / pyPlain);
    return 0;
}
