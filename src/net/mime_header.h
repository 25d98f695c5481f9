#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QStringView>

namespace kelvane::net {

// The charset of every header word and body line of a message, and the RFC 2047 encoding
// letter of its encoded-words.
struct HeaderCharset {
    QByteArray name; // "GB2312", "ISO-8859-1", ...
    char encoding;   // 'B' (base64) or 'Q'

    bool operator==(const HeaderCharset&) const = default;
};

// The charset that a user of this locale's language writes mail in.
HeaderCharset headerCharsetFor(const QLocale& locale);

// Characters that force encoding in a display name: the address specials.
inline constexpr QByteArrayView kAddressSpecials = "()[]<>:;.,@\\\"";

// Header text with every run of words that needs encoding turned into RFC 2047 encoded-words
// of at most 75 characters, holding whole characters only and separated by CR LF and a space.
// A word needs encoding when it holds a control character, a character outside US-ASCII or
// one of `extraSpecials`. Blanks outside runs are kept, except that CR and LF become spaces so
// that the text never starts a header line of its own.
QByteArray encodeHeaderText(QStringView text, const HeaderCharset& charset,
                            QByteArrayView extraSpecials = {});

// Folds a header line ("Name: value", possibly already broken by CR LF) so that each
// physical line keeps within 78 characters where a space, tab or comma outside quotes allows.
// Physical lines are joined by CR LF; continuation lines begin with a space. No final CR LF.
QByteArray foldMailHeaderLine(QByteArrayView line);

} // namespace kelvane::net
