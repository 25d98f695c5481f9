#include "net/smtp_reply.h"

namespace kelvane::net {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reply lines are US-ASCII; a byte above 127 becomes "?".
QString asciiText(QByteArrayView line) {
    QString text;
    text.resize(line.size());
    QChar* out = text.data();
    for (const char byte : line)
        *out++ = QChar(static_cast<unsigned char>(byte) < 128 ? static_cast<char16_t>(byte) : u'?');
    return text;
}

// Digits from `at`, returning the index after them; `at` itself when there are none.
qsizetype skipDigits(const QString& text, qsizetype at) {
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

} // namespace

QString takeEnhancedStatusCode(QString& text) {
    if (text.size() < 5 || (text[0] != u'2' && text[0] != u'4' && text[0] != u'5') ||
        text[1] != u'.')
        return {};
    const qsizetype firstEnd = skipDigits(text, 2);
    if (firstEnd == 2 || firstEnd >= text.size() || text[firstEnd] != u'.')
        return {};
    const qsizetype secondEnd = skipDigits(text, firstEnd + 1);
    if (secondEnd == firstEnd + 1)
        return {};
    // "2.5.0x" is text, not a code: the code must stand alone.
    if (secondEnd < text.size() && text[secondEnd] != u' ')
        return {};
    QString code = text.left(secondEnd);
    text.remove(0, secondEnd < text.size() ? secondEnd + 1 : secondEnd);
    return code;
}

std::optional<SmtpReply> SmtpReplyReader::next() {
    for (;;) {
        const qsizetype lf = buffer_.indexOf('\n', scanned_);
        if (lf < 0) {
            // A CR at the end may be the line end whose LF is still on its way.
            const qsizetype partial = buffer_.size() - (buffer_.endsWith('\r') ? 1 : 0);
            if (partial > limits_.maxLineBytes)
                throw ESmtpReplyTooLarge(QStringLiteral("SMTP reply line longer than %1 bytes.")
                                             .arg(limits_.maxLineBytes));
            scanned_ = buffer_.size();
            return std::nullopt;
        }
        qsizetype lineEnd = lf;
        if (lineEnd > 0 && buffer_[lineEnd - 1] == '\r')
            --lineEnd;
        if (lineEnd > limits_.maxLineBytes)
            throw ESmtpReplyTooLarge(
                QStringLiteral("SMTP reply line longer than %1 bytes.").arg(limits_.maxLineBytes));
        const QString line = asciiText(QByteArrayView(buffer_).first(lineEnd));
        buffer_.remove(0, lf + 1);
        scanned_ = 0;
        if (line.isEmpty())
            continue;

        if (pending_.text.isEmpty()) {
            pending_.codeText = line.left(3);
            // Three digits, nothing else: toInt would also take a sign or blanks ("-42").
            const QString& digits = pending_.codeText;
            const bool numeric = digits.size() == 3 && isDigit(digits[0]) && isDigit(digits[1]) &&
                                 isDigit(digits[2]);
            pending_.code = numeric ? digits.toInt() : 0;
        } else if (pending_.text.size() >= limits_.maxLines) {
            throw ESmtpReplyTooLarge(
                QStringLiteral("SMTP reply longer than %1 lines.").arg(limits_.maxLines));
        }
        QString text = line.mid(4);
        QString enhanced = takeEnhancedStatusCode(text);
        if (pending_.text.isEmpty())
            pending_.enhancedCode = std::move(enhanced);
        pending_.text.append(std::move(text));

        const bool more = line.size() >= 4 && line[3] == u'-';
        if (!more) {
            SmtpReply done = std::move(pending_);
            pending_ = SmtpReply{};
            return done;
        }
    }
}

void SmtpReplyReader::clear() {
    buffer_.clear();
    scanned_ = 0;
    pending_ = SmtpReply{};
}

} // namespace kelvane::net
