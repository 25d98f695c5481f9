#include "net/mime_header.h"

#include "platform/locale_info.h"

#include <QList>

namespace kelvane::net {

namespace {

constexpr qsizetype kMaxEncodedWord = 75;
constexpr qsizetype kMaxLine = 78;

struct LanguageCharset {
    QLocale::Language language;
    const char* name;
    char encoding;
};

// Chinese of the PRC is handled before this table: other Chinese territories write Big5.
constexpr LanguageCharset kLanguageCharsets[] = {
    {QLocale::Chinese, "Big5", 'B'},           {QLocale::Japanese, "ISO-2022-JP", 'B'},
    {QLocale::Korean, "csEUCKR", 'B'},         {QLocale::Russian, "KOI8-R", 'B'},
    {QLocale::Ukrainian, "windows-1251", 'B'},
};

bool isHeaderBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool needsEncoding(QStringView word, QByteArrayView specials) {
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u >= 0x7F)
            return true;
        if (specials.contains(static_cast<char>(u)))
            return true;
    }
    return false;
}

qsizetype base64Length(qsizetype bytes) {
    return (bytes + 2) / 3 * 4;
}

bool isQLiteral(char byte, QByteArrayView specials) {
    const auto u = static_cast<unsigned char>(byte);
    return u >= 0x20 && u < 0x7F && byte != '?' && byte != '=' && byte != '_' &&
           !specials.contains(byte);
}

qsizetype qLength(QByteArrayView bytes, QByteArrayView specials) {
    qsizetype length = 0;
    for (const char byte : bytes)
        length += (byte == ' ' || isQLiteral(byte, specials)) ? 1 : 3;
    return length;
}

QByteArray qEncode(QByteArrayView bytes, QByteArrayView specials) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char byte : bytes) {
        if (byte == ' ') {
            out += '_';
        } else if (isQLiteral(byte, specials)) {
            out += byte;
        } else {
            const auto u = static_cast<unsigned char>(byte);
            out += '=';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

// One code point (a surrogate pair counts as one) starting at `at`.
qsizetype characterWidth(QStringView text, qsizetype at) {
    return text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2
                                                                                               : 1;
}

// A run of words as encoded-words. Each piece is converted on its own so that stateful
// charsets (ISO-2022-JP) return to ASCII inside every encoded-word.
QByteArray encodeRun(QStringView run, const HeaderCharset& charset, QByteArrayView specials) {
    const QByteArray prefix = "=?" + charset.name + '?' + charset.encoding + '?';
    const qsizetype budget = kMaxEncodedWord - prefix.size() - 2;
    const auto encodedLength = [&](QByteArrayView bytes) {
        return charset.encoding == 'B' ? base64Length(bytes.size()) : qLength(bytes, specials);
    };
    QByteArray out;
    qsizetype start = 0;
    while (start < run.size()) {
        qsizetype end = start + characterWidth(run, start);
        QByteArray bytes =
            platform::toCharset(run.mid(start, end - start), charset.name.constData());
        while (end < run.size()) {
            const qsizetype nextEnd = end + characterWidth(run, end);
            QByteArray longer =
                platform::toCharset(run.mid(start, nextEnd - start), charset.name.constData());
            if (encodedLength(longer) > budget)
                break;
            bytes = std::move(longer);
            end = nextEnd;
        }
        if (!out.isEmpty())
            out += "\r\n ";
        out += prefix;
        out += charset.encoding == 'B' ? bytes.toBase64() : qEncode(bytes, specials);
        out += "?=";
        start = end;
    }
    return out;
}

void appendBlanks(QByteArray& out, QStringView blanks) {
    for (const QChar c : blanks)
        out += (c == u'\r' || c == u'\n') ? ' ' : static_cast<char>(c.unicode());
}

struct Token {
    QStringView blanks; // before the word
    QStringView word;   // empty only for trailing blanks
};

QList<Token> splitWords(QStringView text) {
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype blankStart = i;
        while (i < text.size() && isHeaderBlank(text[i]))
            ++i;
        const qsizetype wordStart = i;
        while (i < text.size() && !isHeaderBlank(text[i]))
            ++i;
        tokens.append(
            {text.mid(blankStart, wordStart - blankStart), text.mid(wordStart, i - wordStart)});
    }
    return tokens;
}

bool isFoldBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView withoutTrailingBlanks(QByteArrayView line) {
    while (!line.isEmpty() && isFoldBlank(line.back()))
        line.chop(1);
    return line;
}

// The length of the first physical line when `line` is folded once; 0 when it cannot be.
qsizetype foldPoint(QByteArrayView line) {
    qsizetype best = 0;
    bool quoted = false;
    bool content = false;
    for (qsizetype i = 0; i < line.size() && i <= kMaxLine; ++i) {
        const char c = line[i];
        if (quoted && c == '\\') {
            ++i;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (quoted)
            continue;
        if (isFoldBlank(c) && content)
            best = i;
        else if (c == ',' && i + 1 <= kMaxLine)
            best = i + 1;
        if (!isFoldBlank(c))
            content = true;
    }
    return best;
}

void foldPhysicalLine(QByteArray& out, QByteArrayView line) {
    QByteArray current = line.toByteArray();
    while (current.size() > kMaxLine) {
        const qsizetype cut = foldPoint(current);
        if (cut == 0)
            break;
        QByteArrayView rest = QByteArrayView(current).sliced(cut);
        while (!rest.isEmpty() && isFoldBlank(rest.front()))
            rest = rest.sliced(1);
        // Only blanks past the cut: dropping them is enough, and a blank continuation line
        // would end the header block.
        if (rest.isEmpty())
            break;
        out += withoutTrailingBlanks(QByteArrayView(current).first(cut));
        out += "\r\n";
        current = ' ' + rest.toByteArray();
    }
    out += withoutTrailingBlanks(current);
}

} // namespace

HeaderCharset headerCharsetFor(const QLocale& locale) {
    if (locale.language() == QLocale::Chinese && locale.territory() == QLocale::China)
        return {"GB2312", 'B'};
    for (const LanguageCharset& entry : kLanguageCharsets) {
        if (entry.language == locale.language())
            return {entry.name, entry.encoding};
    }
    return {"ISO-8859-1", 'Q'};
}

QByteArray encodeHeaderText(QStringView text, const HeaderCharset& charset,
                            QByteArrayView extraSpecials) {
    // Text that already looks encoded must not be read back as encoded-words by accident.
    const bool looksEncoded = text.contains(u"=?") && text.contains(u"?=");
    QByteArray specials = extraSpecials.toByteArray();
    if (looksEncoded)
        specials += '=';

    const QList<Token> tokens = splitWords(text);
    QByteArray out;
    qsizetype i = 0;
    while (i < tokens.size()) {
        const Token& token = tokens[i];
        if (token.word.isEmpty() || !needsEncoding(token.word, specials)) {
            appendBlanks(out, token.blanks);
            out += platform::toCharset(token.word, charset.name.constData());
            ++i;
            continue;
        }
        qsizetype last = i;
        while (last + 1 < tokens.size() && !tokens[last + 1].word.isEmpty() &&
               needsEncoding(tokens[last + 1].word, specials))
            ++last;
        const QChar* runBegin = token.word.data();
        const QChar* runEnd = tokens[last].word.data() + tokens[last].word.size();
        appendBlanks(out, token.blanks);
        out += encodeRun(QStringView(runBegin, runEnd), charset, specials);
        i = last + 1;
    }
    return out;
}

QByteArray foldMailHeaderLine(QByteArrayView line) {
    QByteArray out;
    qsizetype start = 0;
    while (start <= line.size()) {
        qsizetype end = line.indexOf("\r\n", start);
        if (end < 0)
            end = line.size();
        if (start > 0)
            out += "\r\n";
        foldPhysicalLine(out, line.sliced(start, end - start));
        start = end + 2;
    }
    return out;
}

} // namespace kelvane::net
