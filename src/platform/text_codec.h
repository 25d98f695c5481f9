#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The text decodings of the product. The ANSI code page is code page 936 (GBK) everywhere.
namespace kelvane::platform {

// Bytes in the ANSI code page. Invalid or truncated sequences become U+FFFD; nothing is held back.
QString fromAnsi(QByteArrayView bytes);
// Text in the ANSI code page; a character the code page cannot hold becomes its default
// character "?".
QByteArray toAnsi(QStringView text);
// UTF-8; invalid sequences become U+FFFD.
QString fromUtf8(QByteArrayView bytes);
// Each byte becomes the character with the same code (U+0000 to U+00FF).
QString fromOneCharPerByte(QByteArrayView bytes);

// True when a charset name is "UTF-8" or "UTF8" in any case.
bool isUtf8CharsetName(QStringView charset);

// The charset of a Content-Type value under the page rule: the text after the word "CHARSET"
// (any case), after "=", without surrounding quotes, up to the next ";", nothing trimmed.
// Empty when absent.
QString pageCharset(QStringView contentType);
// The charset of a Content-Type value under the string-body rule: after "charset" (any case),
// an optional "=", trimmed, up to the closing quote when quoted, else up to ";".
QString stringBodyCharset(QStringView contentType);

// A page body as text: UTF-8 when the page rule names UTF-8, else one character per byte.
QString fromCharsetText(QByteArrayView body, QStringView contentType);
// A string body as text: UTF-8 when the string-body rule names UTF-8, else one character per byte.
QString fromStringBody(QByteArrayView body, QStringView contentType);

// The same decodings, written as UTF-8 piece by piece: the text equals the decoding's, with no
// UTF-16 copy of the whole body on the way.
QByteArray ansiToUtf8(QByteArrayView bytes);
QByteArray charsetTextToUtf8(QByteArrayView body, QStringView contentType);

} // namespace kelvane::platform
