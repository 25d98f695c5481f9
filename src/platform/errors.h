#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace kelvane::platform {

// Base of every error the core raises: network, file and matcher failures carry a message
// that a caller may show (the general error report) or replace with its own fixed text.
class KelvaneError : public std::exception {
public:
    explicit KelvaneError(QString message)
        : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// A failure of the operating system's sockets: "Socket Error # N" and the system text below it.
class ESocketError : public KelvaneError {
public:
    ESocketError(int errorCode, const QString& systemText)
        : KelvaneError(QStringLiteral("Socket Error # %1\n%2").arg(errorCode).arg(systemText)),
          errorCode_(errorCode) {}
    int errorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// No data arrived within the read time-out.
class EReadTimeout : public KelvaneError {
public:
    EReadTimeout() : KelvaneError(QStringLiteral("Read timed out.")) {}
};

// The peer closed the connection where more data was due.
class EConnClosedGracefully : public KelvaneError {
public:
    EConnClosedGracefully() : KelvaneError(QStringLiteral("Connection Closed Gracefully.")) {}
};

// The pattern could not be compiled or run.
class EMatcherError : public KelvaneError {
public:
    using KelvaneError::KelvaneError;
};

// A file could not be read, written or replaced.
class EFileError : public KelvaneError {
public:
    using KelvaneError::KelvaneError;
};

} // namespace kelvane::platform
