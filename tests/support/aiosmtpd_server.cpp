#include "support/aiosmtpd_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

namespace kelvane::test {

namespace {

constexpr int kStartLimitMs = 15000;

QString scriptPath() {
    return QStringLiteral(KELVANE_FIXTURES_DIR "/../support/aiosmtpd_server.py");
}

bool hasAiosmtpd(const QString& python) {
    QProcess probe;
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString AiosmtpdServer::python() {
    // Debian's own interpreter first: the package installs into its dist-packages.
    static const QString found = [] {
        for (const QString& candidate :
             {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            if (hasAiosmtpd(candidate))
                return candidate;
        }
        return QString();
    }();
    return found;
}

AiosmtpdServer::AiosmtpdServer(const Options& options) : python_(python()) {
    if (python_.isEmpty())
        return;
    QStringList arguments{scriptPath(), QStringLiteral("--user"), options.user,
                          QStringLiteral("--password"), options.password};
    if (options.keepMessages)
        arguments << QStringLiteral("--mail-dir") << mailDir_.path();
    if (!options.tlsCertificate.isEmpty())
        arguments << QStringLiteral("--tls-cert") << options.tlsCertificate
                  << QStringLiteral("--tls-key") << options.tlsKey;
    for (const QString& refused : options.refusedRecipients)
        arguments << QStringLiteral("--refuse") << refused;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(python_, arguments);
    QDeadlineTimer deadline(kStartLimitMs);
    QByteArray output;
    while (!deadline.hasExpired() && !output.contains('\n')) {
        if (!process_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        output += process_.readAllStandardOutput();
    }
    const QByteArray line = output.left(output.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT ")) {
        error_ = QStringLiteral("aiosmtpd did not start: %1 %2")
                     .arg(QString::fromUtf8(output), process_.errorString());
        return;
    }
    port_ = static_cast<quint16>(line.mid(5).toUInt());
}

AiosmtpdServer::~AiosmtpdServer() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QList<AiosmtpdServer::Delivered> AiosmtpdServer::waitForMessages(int count, int timeoutMs) const {
    const QDir dir(mailDir_.path());
    QDeadlineTimer deadline(timeoutMs);
    QStringList envelopes;
    for (;;) {
        // The envelope file is written after the message, so its presence means both are whole.
        envelopes = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        if (envelopes.size() >= count || deadline.hasExpired())
            break;
        QThread::msleep(20);
    }
    QList<Delivered> delivered;
    for (const QString& name : envelopes) {
        const QString base = dir.filePath(name.chopped(5));
        const QJsonObject envelope =
            QJsonDocument::fromJson(readAll(base + QStringLiteral(".json"))).object();
        Delivered message;
        message.data = readAll(base + QStringLiteral(".eml"));
        message.mailFrom = envelope.value(QStringLiteral("mail_from")).toString();
        for (const QJsonValue& to : envelope.value(QStringLiteral("rcpt_tos")).toArray())
            message.rcptTos.append(to.toString());
        message.authenticated = envelope.value(QStringLiteral("authenticated")).toBool();
        delivered.append(message);
    }
    return delivered;
}

QJsonObject AiosmtpdServer::parseWithPythonEmail(const QByteArray& message,
                                                 const QString& bodyCharset) {
    static const QString script = QStringLiteral(
        "import sys, json, email, email.policy\n"
        "m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)\n"
        "body = m.get_payload(decode=True)\n"
        "print(json.dumps({'subject': str(m['subject']), 'from': str(m['from']),\n"
        "                  'to': str(m['to']), 'date': str(m['date']),\n"
        "                  'defects': len(m.defects),\n"
        "                  'body': body.decode(sys.argv[1], 'replace')}))\n");
    QProcess process;
    process.start(python().isEmpty() ? QStringLiteral("python3") : python(),
                  {QStringLiteral("-c"), script, bodyCharset});
    process.write(message);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000))
        return {};
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

} // namespace kelvane::test
