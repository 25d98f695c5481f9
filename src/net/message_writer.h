#pragma once

#include "net/idmessage.h"
#include "net/mime_header.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>

namespace kelvane::net {

// What a message is written with: the header charset and the time that stands for "now".
struct MessageFormat {
    HeaderCharset charset;
    QDateTime now;

    // The user's locale and the local clock at this moment.
    static MessageFormat current();
};

// "Tue, 5 Mar 2024 09:03:07 +0800": English names, the time's own offset from UTC.
QByteArray formatMailDate(const QDateTime& time);

// The header lines, each folded and without its final CR LF: From, Subject, To, Date, each only
// when it has a value. A From without a name takes its address as name, in the message itself.
QByteArrayList headerLines(TIdMessage& message, const MessageFormat& format);

// Everything sent after DATA: header lines, an empty line, the body lines (a leading "." doubled),
// an empty line and the "." line that ends the data. Every line ends with CR LF.
QByteArray messageData(TIdMessage& message, const MessageFormat& format);

} // namespace kelvane::net
