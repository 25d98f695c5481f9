#pragma once

#include "net/exchange_settings.h"
#include "net/idmessage.h"
#include "net/smtp_reply.h"
#include "net/smtp_waits.h"
#include "platform/byte_stream.h"
#include "platform/errors.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>

namespace kelvane::net {

// A reply whose code is not one the command expects.
class EIdSMTPReplyError : public platform::KelvaneError {
public:
    explicit EIdSMTPReplyError(const SmtpReply& reply);
    int errorCode() const noexcept { return errorCode_; }
    const QString& enhancedCode() const noexcept { return enhancedCode_; }
    // The reply's text lines joined by LF.
    const QString& replyText() const noexcept { return replyText_; }

private:
    int errorCode_;
    QString enhancedCode_;
    QString replyText_;
};

// Connect on an object whose connection is open.
class EIdAlreadyConnected : public platform::KelvaneError {
public:
    EIdAlreadyConnected() : platform::KelvaneError(QStringLiteral("Already connected.")) {}
};

// A command on an object without an open connection.
class EIdNotConnected : public platform::KelvaneError {
public:
    EIdNotConnected() : platform::KelvaneError(QStringLiteral("Not Connected.")) {}
};

// An address that cannot go into a command or header: it holds a control character, or text
// from outside the address proper.
class EIdSMTPInvalidAddress : public platform::KelvaneError {
public:
    using platform::KelvaneError::KelvaneError;
};

enum class SmtpAuthType {
    Default, // AUTH LOGIN when a user name is set and the server offers LOGIN
    None,    // never log in
};

// One SMTP session over plain TCP with one mail transaction per Send. Commands go one at a
// time, each waiting for its reply; every failure is raised.
class TIdSMTP {
public:
    static constexpr quint16 kImplicitTlsPort = 465;

    QString Host;
    quint16 Port = 25;
    QString Username;
    QString Password;
    SmtpAuthType AuthType = SmtpAuthType::Default;
    bool UseEhlo = true;
    // The name after EHLO/HELO; the local host name when empty.
    QString HeloName;
    // Milliseconds to wait for each reply; -1 (or 0) waits without limit. A reply that does not
    // come in time raises EReadTimeout and closes the connection.
    int ReadTimeout = -1;
    // A limit per kind of wait; where it is -1 (or 0), ReadTimeout applies.
    SmtpWaitTimeouts WaitTimeouts = uniformSmtpWaitTimeouts(-1);
    // Called about every kWaitSliceMs while the server keeps the client waiting, with the
    // milliseconds waited so far, and once with -1 when such a wait ends, either way. It may
    // let the user interface process pending events.
    std::function<void(qint64 waitedMs)> WhileWaiting;
    static constexpr int kWaitSliceMs = 100;
    // Trusted beside the system's CA store for the server's certificate.
    QString CaFile = net::defaultExchangeSettings().caFile;

    TIdSMTP() = default;
    ~TIdSMTP();
    TIdSMTP(const TIdSMTP&) = delete;
    TIdSMTP& operator=(const TIdSMTP&) = delete;

    // TCP connection, the 220 greeting, EHLO (or HELO when EHLO is refused).
    void Connect();
    // AUTH LOGIN when a user name is set and the session offers LOGIN; otherwise nothing.
    void Authenticate();
    // One transaction: RSET, MAIL FROM, RCPT TO per recipient, DATA, the message, ".".
    void Send(TIdMessage& message);
    // QUIT (unless the server has gone) and close; a reply other than 221 is raised after.
    void Disconnect();

    bool Connected() const { return stream_ && stream_->isOpen(); }
    // Whether the session runs over TLS (port 465 or after STARTTLS).
    bool Secure() const { return secure_; }
    bool Authenticated() const { return authenticated_; }
    // The lines of the EHLO reply after its first.
    const QStringList& Capabilities() const { return capabilities_; }
    // The reply to the last command.
    const SmtpReply& LastReply() const { return lastReply_; }

private:
    const SmtpReply& sendCmd(const QByteArray& command, SmtpWait wait,
                             std::initializer_list<int> expected = {});
    const SmtpReply& readReply(SmtpWait wait, std::initializer_list<int> expected);
    void write(QByteArrayView bytes, SmtpWait wait);
    int limitOf(SmtpWait wait) const;
    // Waits until `ready` (which waits one slice) says yes, or the wait's limit counted on
    // `clock` has passed (false), calling WhileWaiting between slices.
    bool waitFor(SmtpWait wait, const QElapsedTimer& clock,
                 const std::function<bool(int sliceMs)>& ready);
    void closeConnection();
    QString greetingName() const;
    bool offersLogin() const;
    bool offersStartTls() const;
    // EHLO, or HELO when EHLO is refused; fills the capability list.
    void greet();
    // Runs the TLS handshake over the open connection.
    void startTls();

    std::unique_ptr<platform::ByteStream> stream_;
    bool secure_ = false;
    SmtpReplyReader reader_;
    SmtpReply lastReply_;
    QStringList capabilities_;
    bool authenticated_ = false;
};

} // namespace kelvane::net
