#pragma once

#include "net/mail_address.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kelvane::net {

// A plain-text message: sender, recipients, subject and body lines. No MIME parts.
struct TIdMessage {
    TIdEMailAddressItem From;
    TIdEMailAddressList Recipients;
    TIdEMailAddressList CCList;
    TIdEMailAddressList BccList;
    QString Subject;
    QStringList Body;
    // Invalid stands for "now": the header then carries the local time of each transaction.
    QDateTime Date;

    // Replaces Recipients by the addresses of the text ("," and ";" separate them).
    void setRecipientsText(QStringView text) { Recipients = parseAddressList(text); }
    // Replaces Body by the lines of the text; CR, LF and CR LF each end a line, and a final
    // line break does not start another line.
    void setBodyText(QStringView text);
};

} // namespace kelvane::net
