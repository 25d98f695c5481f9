#include "keyword/percent_encode.h"

namespace kelvane::keyword {

namespace {

bool keptAsIs(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9'))
        return true;
    switch (byte) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '@':
    case '_':
        return true;
    default:
        return false;
    }
}

} // namespace

QString PercentEncode(QByteArrayView bytes) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptAsIs(byte)) {
            out += QLatin1Char(static_cast<char>(byte));
        } else if (byte == ' ') {
            out += u'+';
        } else {
            out += u'%';
            out += QChar(kHex[byte >> 4]);
            out += QChar(kHex[byte & 0xF]);
        }
    }
    return out;
}

} // namespace kelvane::keyword
