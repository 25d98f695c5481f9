#include "net/idsmtp.h"

#include "net/message_writer.h"
#include "platform/machine_name.h"
#include "platform/tcp_socket.h"
#include "platform/tls_stream.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <algorithm>

namespace kelvane::net {

namespace {

QString replyMessage(const SmtpReply& reply) {
    return reply.text.join(u'\n');
}

// Commands are US-ASCII; anything else would be a "?" on the wire anyway.
QByteArray commandText(QStringView text) {
    QByteArray bytes = text.toLatin1();
    for (char& byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            byte = '?';
    }
    return bytes;
}

// One byte per character, as the login exchange expects; characters above U+00FF become "?".
QByteArray base64OfChars(const QString& text) {
    return text.toLatin1().toBase64();
}

void checkAddress(const QString& address) {
    if (hasControlCharacter(address))
        throw EIdSMTPInvalidAddress(
            QStringLiteral("Invalid address: control character in \"%1\".")
                .arg(QString(address).replace(u'\r', u' ').replace(u'\n', u' ')));
    if (hasForeignText(address))
        throw EIdSMTPInvalidAddress(
            QStringLiteral("Invalid address: text outside the address in \"%1\".").arg(address));
}

} // namespace

EIdSMTPReplyError::EIdSMTPReplyError(const SmtpReply& reply)
    : platform::KelvaneError(replyMessage(reply)), errorCode_(reply.code),
      enhancedCode_(reply.enhancedCode), replyText_(replyMessage(reply)) {}

TIdSMTP::~TIdSMTP() {
    closeConnection();
}

void TIdSMTP::closeConnection() {
    stream_.reset();
    secure_ = false;
    reader_.clear();
}

int TIdSMTP::limitOf(SmtpWait wait) const {
    const int limit = WaitTimeouts[smtpWaitIndex(wait)];
    return limit > 0 ? limit : ReadTimeout;
}

bool TIdSMTP::waitFor(SmtpWait wait, const QElapsedTimer& clock,
                      const std::function<bool(int sliceMs)>& ready) {
    const int limit = limitOf(wait);
    bool signalled = false;
    const auto endSignal = qScopeGuard([&] {
        if (signalled && WhileWaiting)
            WhileWaiting(-1);
    });
    for (;;) {
        int slice = WhileWaiting ? kWaitSliceMs : 0;
        if (limit > 0) {
            const int left = limit - static_cast<int>(clock.elapsed());
            if (left <= 0)
                return false;
            slice = slice > 0 ? qMin(slice, left) : left;
        }
        if (ready(slice))
            return true;
        if (limit > 0 && clock.elapsed() >= limit)
            return false;
        if (WhileWaiting) {
            signalled = true;
            WhileWaiting(clock.elapsed());
        }
    }
}

void TIdSMTP::write(QByteArrayView bytes, SmtpWait wait) {
    if (!Connected())
        throw EIdNotConnected();
    // Each block the server takes starts its wait anew.
    constexpr qsizetype kBlock = 64 * 1024;
    try {
        while (!bytes.isEmpty()) {
            const qsizetype size = qMin(kBlock, bytes.size());
            stream_->sendAll(bytes.first(size), platform::Deadline::after(limitOf(wait)));
            bytes = bytes.sliced(size);
        }
    } catch (const platform::KelvaneError&) {
        closeConnection();
        throw;
    }
}

const SmtpReply& TIdSMTP::readReply(SmtpWait wait, std::initializer_list<int> expected) {
    if (!Connected())
        throw EIdNotConnected();
    // One limit for the whole reply, so a server that drips bytes cannot stretch it.
    QElapsedTimer clock;
    clock.start();
    char buffer[4096];
    try {
        for (;;) {
            if (std::optional<SmtpReply> reply = reader_.next()) {
                lastReply_ = std::move(*reply);
                break;
            }
            if (!waitFor(wait, clock, [this](int slice) { return stream_->waitReadable(slice); }))
                throw platform::EReadTimeout();
            const qsizetype got = stream_->readSome(buffer, sizeof buffer);
            if (got == 0)
                throw platform::EConnClosedGracefully();
            reader_.append(QByteArrayView(buffer, got));
        }
    } catch (const platform::KelvaneError&) {
        // Whatever broke the reply stream leaves it out of step: the connection is done.
        closeConnection();
        throw;
    }
    if (expected.size() > 0 &&
        std::find(expected.begin(), expected.end(), lastReply_.code) == expected.end())
        throw EIdSMTPReplyError(lastReply_);
    return lastReply_;
}

const SmtpReply& TIdSMTP::sendCmd(const QByteArray& command, SmtpWait wait,
                                  std::initializer_list<int> expected) {
    write(command + "\r\n", SmtpWait::Other);
    return readReply(wait, expected);
}

QString TIdSMTP::greetingName() const {
    if (!HeloName.isEmpty())
        return HeloName;
    const QString host = platform::localHostName();
    return host.isEmpty() ? platform::computerName() : host;
}

void TIdSMTP::Connect() {
    if (Connected())
        throw EIdAlreadyConnected();
    authenticated_ = false;
    capabilities_.clear();
    reader_.clear();
    auto socket = std::make_unique<platform::TcpSocket>();
    socket->connectTo(Host, Port);
    stream_ = std::move(socket);
    try {
        if (Port == kImplicitTlsPort)
            startTls();
        readReply(SmtpWait::Greeting, {220});
        greet();
        if (!secure_ && offersStartTls()) {
            // RFC 3207: nothing said before the upgrade counts; greet again over TLS.
            capabilities_.clear();
            sendCmd("STARTTLS", SmtpWait::Other, {220});
            startTls();
            greet();
        }
    } catch (...) {
        closeConnection();
        throw;
    }
}

void TIdSMTP::greet() {
    capabilities_.clear();
    const QByteArray name = commandText(greetingName());
    if (UseEhlo) {
        const SmtpReply& ehlo = sendCmd("EHLO " + name, SmtpWait::Other);
        if (ehlo.code == 250) {
            capabilities_ = ehlo.text.mid(1);
            return;
        }
    }
    sendCmd("HELO " + name, SmtpWait::Other, {250});
}

void TIdSMTP::startTls() {
    // Bytes the server sent after its 220 would be plaintext injected into the TLS session.
    reader_.clear();
    auto* socket = dynamic_cast<platform::TcpSocket*>(stream_.get());
    if (!socket)
        throw EIdNotConnected();
    std::unique_ptr<platform::TcpSocket> transport(socket);
    stream_.release();
    const platform::Deadline deadline = platform::Deadline::after(limitOf(SmtpWait::Other));
    stream_ = platform::TlsStream::connect(std::move(transport), Host, {CaFile}, deadline);
    secure_ = true;
}

bool TIdSMTP::offersStartTls() const {
    for (const QString& line : capabilities_) {
        if (line.trimmed().compare(u"STARTTLS", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool TIdSMTP::offersLogin() const {
    for (const QString& line : capabilities_) {
        if (line.size() < 5 || !line.startsWith(u"AUTH", Qt::CaseInsensitive) ||
            (line[4] != u' ' && line[4] != u'='))
            continue;
        const QStringList mechanisms =
            line.mid(5).toUpper().replace(u'=', u' ').split(u' ', Qt::SkipEmptyParts);
        if (mechanisms.contains(u"LOGIN"))
            return true;
    }
    return false;
}

void TIdSMTP::Authenticate() {
    if (authenticated_ || Username.isEmpty() || AuthType == SmtpAuthType::None)
        return;
    if (!offersLogin())
        return;
    sendCmd("AUTH LOGIN", SmtpWait::Other, {334});
    sendCmd(base64OfChars(Username), SmtpWait::Other, {334});
    sendCmd(base64OfChars(Password), SmtpWait::Other, {235});
    authenticated_ = true;
}

void TIdSMTP::Send(TIdMessage& message) {
    Authenticate();
    TIdEMailAddressList envelope = message.Recipients;
    envelope += message.CCList;
    envelope += message.BccList;
    checkAddress(message.From.Address);
    for (const TIdEMailAddressItem& item : envelope)
        checkAddress(item.Address);

    sendCmd("RSET", SmtpWait::Other);
    sendCmd("MAIL FROM: <" + commandText(message.From.Address) + '>', SmtpWait::Mail, {250});
    try {
        for (const TIdEMailAddressItem& item : envelope)
            sendCmd("RCPT TO:<" + commandText(item.Address) + '>', SmtpWait::Rcpt, {250, 251});
        sendCmd("DATA", SmtpWait::DataInitiation, {354});
        write(messageData(message, MessageFormat::current()), SmtpWait::DataBlock);
        readReply(SmtpWait::DataTermination, {250});
    } catch (const EIdSMTPReplyError&) {
        try {
            sendCmd("RSET", SmtpWait::Other);
        } catch (const platform::KelvaneError&) {
            // The refusal is the news; a connection lost on RSET shows on the next command.
        }
        throw;
    }
}

void TIdSMTP::Disconnect() {
    authenticated_ = false;
    if (!Connected())
        return;
    if (stream_->peerHasClosed()) {
        closeConnection();
        return;
    }
    try {
        sendCmd("QUIT", SmtpWait::Other, {221});
    } catch (...) {
        closeConnection();
        throw;
    }
    closeConnection();
}

} // namespace kelvane::net
