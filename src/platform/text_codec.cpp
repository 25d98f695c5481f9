#include "platform/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kelvane::text {

namespace {

// ICU's windows-936 table: byte 0x80 is the euro sign, as on the target desktops.
constexpr const char* kAnsiCodec = "GBK";

QStringView afterCharsetWord(QStringView contentType) {
    const qsizetype at = contentType.indexOf(u"charset", 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    return contentType.mid(at + 7);
}

QStringView withoutSurroundingQuotes(QStringView value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString fromAnsi(QByteArrayView bytes) {
    QStringDecoder decoder(kAnsiCodec);
    if (!decoder.isValid())
        return fromOneCharPerByte(bytes);
    // The converter holds back a lead byte at the very end; a line feed, which is never a
    // trail byte, flushes it out as U+FFFD and is dropped again.
    QString decoded = decoder.decode(bytes);
    decoded += decoder.decode(QByteArrayView("\n", 1));
    decoded.chop(1);
    return decoded;
}

QByteArray toAnsi(QStringView text) {
    QStringEncoder encoder(kAnsiCodec, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

QString fromUtf8(QByteArrayView bytes) {
    return QString::fromUtf8(bytes);
}

QString fromOneCharPerByte(QByteArrayView bytes) {
    return QString::fromLatin1(bytes);
}

bool isUtf8CharsetName(QStringView charset) {
    return charset.compare(u"UTF-8", Qt::CaseInsensitive) == 0 ||
           charset.compare(u"UTF8", Qt::CaseInsensitive) == 0;
}

QString pageCharset(QStringView contentType) {
    QStringView rest = afterCharsetWord(contentType);
    const qsizetype equals = rest.indexOf(u'=');
    if (equals < 0)
        return {};
    rest = rest.mid(equals + 1);
    const qsizetype semicolon = rest.indexOf(u';');
    if (semicolon >= 0)
        rest = rest.left(semicolon);
    // Nothing is trimmed: " utf-8" names no charset this decoding knows.
    return withoutSurroundingQuotes(rest).toString();
}

QString stringBodyCharset(QStringView contentType) {
    QStringView rest = afterCharsetWord(contentType).trimmed();
    if (rest.startsWith(u'='))
        rest = rest.mid(1).trimmed();
    if (rest.startsWith(u'"')) {
        rest = rest.mid(1);
        const qsizetype close = rest.indexOf(u'"');
        return (close >= 0 ? rest.left(close) : rest).toString();
    }
    const qsizetype semicolon = rest.indexOf(u';');
    return (semicolon >= 0 ? rest.left(semicolon) : rest).trimmed().toString();
}

QString fromCharsetText(QByteArrayView body, QStringView contentType) {
    return isUtf8CharsetName(pageCharset(contentType)) ? fromUtf8(body) : fromOneCharPerByte(body);
}

QString fromStringBody(QByteArrayView body, QStringView contentType) {
    return isUtf8CharsetName(stringBodyCharset(contentType)) ? fromUtf8(body)
                                                             : fromOneCharPerByte(body);
}

} // namespace kelvane::text
