#include "platform/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace kelvane::platform {

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

// Bytes decoded per step on the way to UTF-8; small enough that the UTF-16 piece is noise.
constexpr qsizetype kPiece = 1 << 20;

void appendUtf8(QByteArray& out, QStringView piece) {
    QStringEncoder encoder(QStringConverter::Utf8);
    const qsizetype before = out.size();
    const qsizetype room = encoder.requiredSpace(piece.size());
    if (out.capacity() < before + room)
        out.reserve(qMax(before + room, out.capacity() + out.capacity() / 2));
    out.resize(before + room);
    char* end = encoder.appendToBuffer(out.data() + before, piece);
    out.resize(end - out.constData());
}

// A cut at or before `at` that starts a UTF-8 character, so a stateless decode of each piece
// reads each sequence whole.
qsizetype utf8CutBefore(QByteArrayView bytes, qsizetype at) {
    qsizetype cut = at;
    while (cut > at - 3 && cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return cut > 0 ? cut : at;
}

// Room for the whole UTF-8 text at once: an ASCII byte stays one byte, any other byte becomes
// at most two (a GBK pair three, a Latin-1 byte two), a piece's encoder asks for slack. Growing
// later would copy the text while the body is still held.
qsizetype utf8Room(QByteArrayView bytes) {
    const qsizetype high =
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
    return bytes.size() + high + 3 * kPiece;
}

} // namespace

QByteArray ansiToUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(kAnsiCodec);
    if (!decoder.isValid())
        return fromOneCharPerByte(bytes).toUtf8();
    QByteArray out;
    out.reserve(utf8Room(bytes));
    for (qsizetype at = 0; at < bytes.size(); at += kPiece)
        appendUtf8(out, QString(decoder.decode(bytes.sliced(at, qMin(kPiece, bytes.size() - at)))));
    // As fromAnsi: a line feed flushes a held-back lead byte and is dropped again.
    appendUtf8(out, QString(decoder.decode(QByteArrayView("\n", 1))));
    out.chop(1);
    return out;
}

QByteArray charsetTextToUtf8(QByteArrayView body, QStringView contentType) {
    const bool utf8 = isUtf8CharsetName(pageCharset(contentType));
    QByteArray out;
    out.reserve(utf8Room(body));
    qsizetype at = 0;
    while (at < body.size()) {
        qsizetype end = qMin(at + kPiece, body.size());
        if (utf8 && end < body.size())
            end = utf8CutBefore(body, end);
        const QByteArrayView piece = body.sliced(at, end - at);
        appendUtf8(out, utf8 ? fromUtf8(piece) : fromOneCharPerByte(piece));
        at = end;
    }
    return out;
}

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

} // namespace kelvane::platform
