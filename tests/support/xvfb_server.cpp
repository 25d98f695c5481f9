#include "support/xvfb_server.h"

#include "support/child_process.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <algorithm>

namespace kelvane::test {

bool XvfbServer::installed() {
    return QFileInfo(QString::fromLatin1(kBinary)).isExecutable();
}

bool XvfbServer::start() {
    // -displayfd 1: the server takes the first free display and writes its number to stdout
    // once it accepts connections, so there is neither a guess nor a race with other users.
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QString::fromLatin1(kBinary),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("1280x1024x24")});
    if (!process_.waitForStarted(5000)) {
        error_ = QStringLiteral("Xvfb did not start: ") + process_.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    QByteArray out;
    while (!out.contains('\n') && !deadline.hasExpired() && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        out += process_.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!out.contains('\n') || !ok) {
        error_ = QStringLiteral("Xvfb gave no display number: ") +
                 QString::fromLocal8Bit(process_.readAllStandardError());
        return false;
    }
    display_ = QStringLiteral(":%1").arg(number);
    return true;
}

XvfbServer::~XvfbServer() {
    stopChildProcess(process_);
}

} // namespace kelvane::test
