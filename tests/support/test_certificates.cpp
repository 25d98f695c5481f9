#include "support/test_certificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <chrono>
#include <thread>

namespace kelvane::test {

namespace {

constexpr const char* kLocalNames = "subjectAltName=IP:127.0.0.1,DNS:localhost";

} // namespace

const TestCertificates& TestCertificates::shared() {
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates() {
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return;
    }
    // "days 0" ends the validity the second it begins, so it has passed once a second has.
    const bool made =
        makeCa(QStringLiteral("ca")) && makeCa(QStringLiteral("stranger-ca")) &&
        makeLeaf(QStringLiteral("good"), QStringLiteral("ca"), QLatin1String(kLocalNames), 2) &&
        makeLeaf(QStringLiteral("wrong-name"), QStringLiteral("ca"),
                 QStringLiteral("subjectAltName=DNS:wrong-name.test"), 2) &&
        makeLeaf(QStringLiteral("unknown-issuer"), QStringLiteral("stranger-ca"),
                 QLatin1String(kLocalNames), 2) &&
        makeLeaf(QStringLiteral("expired"), QStringLiteral("ca"), QLatin1String(kLocalNames), 0);
    if (made)
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
}

bool TestCertificates::run(const QStringList& arguments) {
    QProcess openssl;
    openssl.setWorkingDirectory(dir_.path());
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        error_ = QStringLiteral("openssl %1 failed: %2 %3")
                     .arg(arguments.join(u' '), QString::fromLocal8Bit(openssl.readAll()),
                          openssl.errorString());
        return false;
    }
    return true;
}

bool TestCertificates::makeCa(const QString& name) {
    return run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                name + QStringLiteral(".pem"), QStringLiteral("-subj"),
                QStringLiteral("/CN=Kelvane test ") + name, QStringLiteral("-days"),
                QStringLiteral("2"), QStringLiteral("-addext"),
                QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                QStringLiteral("keyUsage=critical,keyCertSign")});
}

bool TestCertificates::makeLeaf(const QString& name, const QString& ca, const QString& altNames,
                                int days) {
    QFile extensions(QDir(dir_.path()).filePath(name + QStringLiteral(".ext")));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write(altNames.toUtf8() + '\n') < 0)
        return false;
    extensions.close();
    return run({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-newkey"),
                QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                name + QStringLiteral(".csr"), QStringLiteral("-subj"),
                QStringLiteral("/CN=") + name}) &&
           run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                name + QStringLiteral(".csr"), QStringLiteral("-CA"), ca + QStringLiteral(".pem"),
                QStringLiteral("-CAkey"), ca + QStringLiteral(".key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QString::number(days),
                QStringLiteral("-extfile"), name + QStringLiteral(".ext"), QStringLiteral("-out"),
                name + QStringLiteral(".pem")});
}

TestCertificates::Pair TestCertificates::pair(const QString& name) const {
    const QDir dir(dir_.path());
    return {dir.filePath(name + QStringLiteral(".pem")),
            dir.filePath(name + QStringLiteral(".key"))};
}

QString TestCertificates::caFile() const {
    return QDir(dir_.path()).filePath(QStringLiteral("ca.pem"));
}

TestCertificates::Pair TestCertificates::good() const {
    return pair(QStringLiteral("good"));
}

TestCertificates::Pair TestCertificates::wrongName() const {
    return pair(QStringLiteral("wrong-name"));
}

TestCertificates::Pair TestCertificates::unknownIssuer() const {
    return pair(QStringLiteral("unknown-issuer"));
}

TestCertificates::Pair TestCertificates::expired() const {
    return pair(QStringLiteral("expired"));
}

} // namespace kelvane::test
