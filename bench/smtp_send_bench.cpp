// One message to 1000 recipients, one transaction each, in one session against a loopback
// aiosmtpd; Python's smtplib sends the same messages to the same server in the same run.
// Prints the best of a few rounds for each and the ratio (ours / smtplib).

#include "net/idsmtp.h"
#include "platform/locale_format.h"
#include "support/aiosmtpd_server.h"
#include "support/smtplib_peer.h"

#include <QElapsedTimer>
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

net::TIdMessage benchMessage() {
    net::TIdMessage m;
    m.From.setText(u"sender@example.cn");
    m.Subject = QStringLiteral("Kelvane 站长工具 每月报告");
    m.setBodyText(QStringLiteral("你好，\r\n这是一封群发测试邮件。\r\nKelvane\r\n"));
    return m;
}

double sendOurs(quint16 port) {
    net::TIdSMTP client;
    client.Host = QStringLiteral("127.0.0.1");
    client.Port = port;
    client.Username = QStringLiteral("kelvane");
    client.Password = QStringLiteral("secret");
    net::TIdMessage m = benchMessage();
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

} // namespace

int main() {
    platform::ScopedFormatLocale locale(QLocale(QLocale::Chinese, QLocale::China));
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
    const QString templatePath =
        test::WriteMessageTemplate(benchMessage(), dir.filePath(QStringLiteral("message.eml")));

    double ours = 1e9, pyRset = 1e9, pyPlain = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, sendOurs(server.port()));
        pyRset = std::min(pyRset, test::SmtplibSendSeconds(server.python(), server.port(),
                                                           kRecipients, true, templatePath));
        pyPlain = std::min(pyPlain, test::SmtplibSendSeconds(server.python(), server.port(),
                                                             kRecipients, false, templatePath));
    }
    std::printf("%d transactions in one session, best of %d rounds\n", kRecipients, kRounds);
    std::printf("  TIdSMTP (RSET, MAIL, RCPT, DATA):     %.3f s\n", ours);
    std::printf("  smtplib (rset, MAIL, RCPT, DATA):     %.3f s   ratio %.2f\n", pyRset,
                ours / pyRset);
    std::printf("  smtplib sendmail (MAIL, RCPT, DATA):  %.3f s   ratio %.2f\n", pyPlain,
                ours / pyPlain);
    return 0;
}
