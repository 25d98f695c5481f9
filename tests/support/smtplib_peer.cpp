#include "support/smtplib_peer.h"

#include "net/message_writer.h"

#include <QFile>
#include <QProcess>
#include <cstdio>

namespace kelvane::test {

namespace {

// It times itself, so the interpreter's start is not counted.
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

} // namespace

QString WriteMessageTemplate(net::TIdMessage message, const QString& path) {
    message.setRecipientsText(u"@TO@");
    QByteArray data = net::messageData(message, net::MessageFormat::current());
    data.chop(3);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(data);
    return path;
}

double SmtplibSendSeconds(const QString& python, quint16 port, int count, bool rset,
                          const QString& templatePath) {
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromUtf8(kPythonSender),
                           QString::number(port), QString::number(count),
                           rset ? QStringLiteral("1") : QStringLiteral("0"), templatePath});
    if (!process.waitForFinished(300000) || process.exitCode() != 0) {
        std::fprintf(stderr, "smtplib run failed: %s\n",
                     process.readAllStandardError().constData());
        return -1;
    }
    return process.readAllStandardOutput().trimmed().toDouble();
}

} // namespace kelvane::test
