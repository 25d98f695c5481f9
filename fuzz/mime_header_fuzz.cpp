// The RFC 2047 header encoder, read back by a decoder written from the RFC: encoded-words
// of at most 75 characters, no line break but the fold between encoded-words, and the text
// itself again wherever the charset can hold it. Folding never leaves a blank line.
#include "fuzz_check.h"
#include "net/mime_header.h"
#include "platform/locale_info.h"

#include <QStringDecoder>

namespace {

using kelvane::net::HeaderCharset;

const HeaderCharset kCharsets[] = {
    {"GB2312", 'B'}, {"Big5", 'B'},         {"ISO-2022-JP", 'B'}, {"csEUCKR", 'B'},
    {"KOI8-R", 'B'}, {"windows-1251", 'B'}, {"ISO-8859-1", 'Q'},
};

QString fromCharset(const QByteArray& bytes, const HeaderCharset& charset) {
    if (!kelvane::platform::isKnownCharset(charset.name.constData()))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(charset.name.constData(), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray qDecode(QByteArrayView text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            out += ' ';
        } else if (text[i] == '=') {
            FUZZ_CHECK(i + 2 < text.size());
            bool ok = false;
            out += static_cast<char>(text.sliced(i + 1, 2).toByteArray().toUInt(&ok, 16));
            FUZZ_CHECK(ok);
            i += 2;
        } else {
            FUZZ_CHECK(text[i] > ' ' && text[i] < 0x7F && text[i] != '?');
            out += text[i];
        }
    }
    return out;
}

// The text of one encoded-word, or nothing when the token is not one.
std::optional<QString> decodeWord(const QByteArray& token, const HeaderCharset& charset) {
    const QByteArray prefix = "=?" + charset.name + '?' + charset.encoding + '?';
    if (!token.startsWith(prefix) || !token.endsWith("?=") || token.size() < prefix.size() + 2)
        return std::nullopt;
    FUZZ_CHECK(token.size() <= 75);
    const QByteArrayView payload =
        QByteArrayView(token).sliced(prefix.size(), token.size() - prefix.size() - 2);
    QByteArray bytes;
    if (charset.encoding == 'B') {
        const auto decoded = QByteArray::fromBase64Encoding(
            payload.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
        FUZZ_CHECK(decoded.decodingStatus == QByteArray::Base64DecodingStatus::Ok);
        bytes = decoded.decoded;
    } else {
        bytes = qDecode(payload);
    }
    const QString text = fromCharset(bytes, charset);
    return text;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits at blanks; blanks between two encoded-words are dropped, as RFC 2047 says.
QString decodeHeader(const QByteArray& header, const HeaderCharset& charset) {
    QString out;
    QString pendingBlanks;
    bool lastWasEncoded = false;
    qsizetype i = 0;
    while (i < header.size()) {
        const qsizetype blankStart = i;
        while (i < header.size() && isBlank(header[i]))
            ++i;
        pendingBlanks = QString::fromLatin1(header.mid(blankStart, i - blankStart));
        const qsizetype wordStart = i;
        while (i < header.size() && !isBlank(header[i]))
            ++i;
        const QByteArray token = header.mid(wordStart, i - wordStart);
        const std::optional<QString> decoded = decodeWord(token, charset);
        if (!(decoded && lastWasEncoded))
            out += pendingBlanks;
        out += decoded ? *decoded : QString::fromLatin1(token);
        lastWasEncoded = decoded.has_value();
    }
    return out;
}

QString withoutLineBreaks(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    if (size < 2)
        return 0;
    const net::HeaderCharset& charset = kCharsets[data[0] % std::size(kCharsets)];
    const QByteArrayView specials = (data[1] & 1) ? net::kAddressSpecials : QByteArrayView();
    // Odd second byte or not: the text as UTF-16 code units or as UTF-8.
    const QByteArray raw = fuzz::bytesOf(data + 2, size - 2);
    const QString text =
        (data[1] & 2) ? QString(reinterpret_cast<const QChar*>(raw.constData()), raw.size() / 2)
                      : QString::fromUtf8(raw);

    const QByteArray header = net::encodeHeaderText(text, charset, specials);
    // A line break only as the fold between two encoded-words.
    for (qsizetype at = 0; (at = header.indexOf('\n', at)) >= 0; ++at)
        FUZZ_CHECK(at > 0 && header[at - 1] == '\r' && at + 1 < header.size() &&
                   header[at + 1] == ' ');
    FUZZ_CHECK(header.count('\r') == header.count("\r\n "));

    const QByteArray inCharset = platform::toCharset(text, charset.name.constData());
    const bool holds = fromCharset(inCharset, charset) == text;
    const QString decoded = decodeHeader(header, charset);
    if (holds)
        FUZZ_CHECK(withoutLineBreaks(decoded) == withoutLineBreaks(text));

    const QByteArray folded = net::foldMailHeaderLine("Subject: " + header);
    for (const QByteArray& line : folded.split('\n'))
        FUZZ_CHECK(!line.trimmed().isEmpty());
    return 0;
}
