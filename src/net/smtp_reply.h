#pragma once

#include "platform/errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelvane::net {

// One SMTP reply: the code of its first line and the text of every line, with any RFC 3463
// enhanced status code taken off the front of each text.
struct SmtpReply {
    int code = 0;         // 0 when the first three characters are not a number
    QString codeText;     // the first three characters as received
    QStringList text;     // one entry per line
    QString enhancedCode; // the first line's enhanced status code, e.g. "2.1.0"; may be empty
};

// A peer that sends more than a client will keep for one reply.
class ESmtpReplyTooLarge : public platform::KelvaneError {
public:
    using platform::KelvaneError::KelvaneError;
};

struct SmtpReplyLimits {
    // RFC 5321 allows 512 octets per reply line; leave room for servers that exceed it.
    qsizetype maxLineBytes = 4096;
    // EHLO replies list a few dozen extensions at most.
    int maxLines = 256;
};

// Splits received bytes into reply lines and lines into replies. Bytes may arrive in any
// pieces; a reply is handed out once its last line is complete.
class SmtpReplyReader {
public:
    explicit SmtpReplyReader(SmtpReplyLimits limits = {}) : limits_(limits) {}

    void append(QByteArrayView bytes) { buffer_.append(bytes); }
    // The next complete reply, if the bytes so far hold one. Raises ESmtpReplyTooLarge when a
    // line or the number of lines passes the limits.
    std::optional<SmtpReply> next();
    // True when bytes of an unfinished reply are held.
    bool hasPartial() const { return !buffer_.isEmpty() || !pending_.text.isEmpty(); }
    void clear();

private:
    SmtpReplyLimits limits_;
    QByteArray buffer_;
    qsizetype scanned_ = 0; // bytes of buffer_ known to hold no LF
    SmtpReply pending_;
};

// Splits an enhanced status code ("5.1.1 ") off the front of a reply text; empty when absent.
QString takeEnhancedStatusCode(QString& text);

} // namespace kelvane::net
