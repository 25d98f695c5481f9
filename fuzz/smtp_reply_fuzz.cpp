// SMTP replies from a peer: the same bytes give the same replies whether they arrive at once
// or in the pieces the first byte chooses, and no reply passes the reader's limits.
#include "fuzz_check.h"
#include "net/smtp_reply.h"

#include <vector>

namespace {

struct Outcome {
    std::vector<kelvane::net::SmtpReply> replies;
    bool tooLarge = false;
};

Outcome readAll(const QByteArray& bytes, qsizetype piece, kelvane::net::SmtpReplyLimits limits) {
    kelvane::net::SmtpReplyReader reader(limits);
    Outcome outcome;
    try {
        for (qsizetype at = 0; at < bytes.size(); at += piece) {
            reader.append(QByteArrayView(bytes).sliced(at, qMin(piece, bytes.size() - at)));
            while (std::optional<kelvane::net::SmtpReply> reply = reader.next())
                outcome.replies.push_back(std::move(*reply));
        }
    } catch (const kelvane::net::ESmtpReplyTooLarge&) {
        outcome.tooLarge = true;
    }
    return outcome;
}

bool same(const kelvane::net::SmtpReply& a, const kelvane::net::SmtpReply& b) {
    return a.code == b.code && a.codeText == b.codeText && a.text == b.text &&
           a.enhancedCode == b.enhancedCode;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    if (size < 1)
        return 0;
    const qsizetype piece = 1 + data[0] % 16;
    const QByteArray bytes = fuzz::bytesOf(data + 1, size - 1);
    // Small limits, so the fuzzer reaches them.
    const net::SmtpReplyLimits limits{64, 8};

    const Outcome whole = readAll(bytes, qMax<qsizetype>(bytes.size(), 1), limits);
    const Outcome pieces = readAll(bytes, piece, limits);
    // How the bytes are cut never changes what is read, nor where a limit is passed.
    FUZZ_CHECK(pieces.tooLarge == whole.tooLarge);
    FUZZ_CHECK(pieces.replies.size() == whole.replies.size());
    for (size_t i = 0; i < pieces.replies.size(); ++i)
        FUZZ_CHECK(same(pieces.replies[i], whole.replies[i]));
    for (const net::SmtpReply& reply : whole.replies) {
        FUZZ_CHECK(reply.code >= 0 && reply.code <= 999);
        FUZZ_CHECK(!reply.text.isEmpty() && reply.text.size() <= limits.maxLines);
        FUZZ_CHECK(reply.codeText.size() <= 3);
        for (const QString& line : reply.text)
            FUZZ_CHECK(line.size() <= limits.maxLineBytes && !line.contains(u'\n'));
    }
    QString text = QString::fromLatin1(bytes);
    const QString code = net::takeEnhancedStatusCode(text);
    FUZZ_CHECK(code.isEmpty() || code.size() >= 5);
    return 0;
}
