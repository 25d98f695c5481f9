#include "platform/locale_info.h"

#include "platform/clock.h"
#include "platform/locale_format.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kelvane::platform {

namespace {

bool isIso2022Jp(const char* charsetName) {
    return qstrnicmp(charsetName, "ISO-2022-JP", 11) == 0;
}

// The converter leaves ISO-2022-JP in whatever set the text ended in; RFC 1468 wants every
// encoded-word and every line back in ASCII, or a strict reader refuses the rest.
void returnToAscii(QByteArray& bytes) {
    static constexpr char kAscii[] = "\x1b(B";
    const qsizetype lastEscape = bytes.lastIndexOf('\x1b');
    if (lastEscape >= 0 && !bytes.sliced(lastEscape).startsWith(kAscii))
        bytes += kAscii;
}

QByteArray encodeWith(const char* charsetName, QStringView text) {
    QStringEncoder encoder(charsetName, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (isIso2022Jp(charsetName))
        returnToAscii(bytes);
    return bytes;
}

bool roundTrips(const char* charsetName, QStringView text, const QByteArray& bytes) {
    QStringDecoder decoder(charsetName, QStringConverter::Flag::Stateless);
    const QString back = decoder.decode(bytes);
    return back == text;
}

} // namespace

QLocale userLocale() {
    return formatLocale();
}

QDateTime localNowWithOffset() {
    const QDateTime now = localNow();
    // Pin the offset, so a caller reads the same offset that the time was taken with.
    return now.toOffsetFromUtc(now.offsetFromUtc());
}

bool isKnownCharset(const char* charsetName) {
    return QStringEncoder(charsetName).isValid();
}

QByteArray toCharset(QStringView text, const char* charsetName) {
    if (!isKnownCharset(charsetName))
        return text.toLatin1();
    QByteArray bytes = encodeWith(charsetName, text);
    // Each converter has its own substitute (0x1A, a full-width space, "?"); find the
    // characters that do not survive and write "?" for them instead.
    if (roundTrips(charsetName, text, bytes))
        return bytes;
    QString mended;
    mended.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView one = text.mid(i, width);
        if (roundTrips(charsetName, one, encodeWith(charsetName, one)))
            mended += one;
        else
            mended += u'?';
        i += width;
    }
    return encodeWith(charsetName, mended);
}

} // namespace kelvane::platform
