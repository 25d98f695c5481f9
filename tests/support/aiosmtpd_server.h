#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kelvane::test {

// A real SMTP server for the tests: aiosmtpd (Debian's python3-aiosmtpd) on 127.0.0.1 and a
// port of its own choosing, offering AUTH LOGIN for one user, in clear or (with a certificate)
// after STARTTLS only. Received messages
// land in a temporary folder. The server stops with the object.
class AiosmtpdServer {
public:
    struct Options {
        QString user = QStringLiteral("kelvane");
        QString password = QStringLiteral("secret");
        QStringList refusedRecipients;
        // Off for benchmarks: the server then discards what it receives.
        bool keepMessages = true;
        // With both set: STARTTLS offered and required, AUTH over TLS only.
        QString tlsCertificate;
        QString tlsKey;
    };
    struct Delivered {
        QByteArray data; // the message as received after DATA, without the final "."
        QString mailFrom;
        QStringList rcptTos;
        bool authenticated = false;
    };

    // A Python with aiosmtpd, or empty when there is none.
    static QString python();

    explicit AiosmtpdServer(const Options& options);
    AiosmtpdServer() : AiosmtpdServer(Options{}) {}
    ~AiosmtpdServer();
    AiosmtpdServer(const AiosmtpdServer&) = delete;
    AiosmtpdServer& operator=(const AiosmtpdServer&) = delete;

    bool available() const { return !python_.isEmpty(); }
    bool isRunning() const { return port_ != 0; }
    QString error() const { return error_; }
    quint16 port() const { return port_; }

    // The messages received so far, once at least `count` are there or the time is out.
    QList<Delivered> waitForMessages(int count, int timeoutMs = 10000) const;

    // The message parsed by Python's standard email parser: subject, from, to (decoded), the body
    // read in `bodyCharset` and the parser's defect count.
    static QJsonObject parseWithPythonEmail(const QByteArray& message,
                                            const QString& bodyCharset = QStringLiteral("gb2312"));

private:
    QString python_;
    QTemporaryDir mailDir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
};

} // namespace kelvane::test

// Starts `server` with `options`, or skips the test when python3-aiosmtpd is missing.
#define KELVANE_START_AIOSMTPD(server, options)                                                    \
    ::kelvane::test::AiosmtpdServer server(options);                                               \
    if (!server.available())                                                                       \
        GTEST_SKIP() << "python3-aiosmtpd is not installed (scripts/install-deps.sh installs it)"; \
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString()
