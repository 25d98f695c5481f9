#pragma once

#include "net/idhttp.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kelvane::net {

// The second space-separated field of a status line as a number; -1 when there is none.
int statusCodeOf(QStringView statusLine);

// A response head from its lines (status line first, without line ends): header names
// and values split at the first ":", values trimmed, and a line that begins with a space or
// tab joined to the value before it with one space.
IdHTTPResponse parseResponseHead(const QList<QString>& lines);

// One line of the head as text: US-ASCII, a byte above 0x7F as the character of that code.
QString headLineText(QByteArrayView bytes);

// "close" in Connection or Proxy-Connection, trimmed, in any case; or an HTTP/1.0 status line
// without a "keep-alive" token in either.
bool asksToClose(const IdHTTPResponse& head);
// Lower-cased Transfer-Encoding contains "chunked".
bool isChunked(const IdHTTPResponse& head);
// Content-Length as a number of bytes; -1 when absent, negative, or not a number.
qint64 contentLength(const IdHTTPResponse& head);

} // namespace kelvane::net
