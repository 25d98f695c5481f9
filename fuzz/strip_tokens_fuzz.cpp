// StripTokens over page text and tokens, against a plain left-to-right reference.
#include "fuzz_check.h"
#include "query/strip_tokens.h"

namespace {

QString reference(QString text, const QStringList& tokens) {
    for (const QString& token : tokens) {
        if (token.isEmpty())
            continue;
        QString out;
        qsizetype from = 0;
        for (qsizetype at = text.indexOf(token, from); at >= 0; at = text.indexOf(token, from)) {
            out += QStringView(text).sliced(from, at - from);
            from = at + token.size();
        }
        out += QStringView(text).sliced(from);
        text = out;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    // The text, then up to five tokens, NUL-separated.
    const QList<QByteArray> parts = fuzz::splitInput(fuzz::bytesOf(data, size), '\0', 6);
    const QString text = QString::fromUtf8(parts[0]);
    QStringList tokens;
    for (qsizetype i = 1; i < parts.size(); ++i)
        tokens.append(QString::fromUtf8(parts[i]));
    const QString stripped = query::StripTokens(text, tokens);
    FUZZ_CHECK(stripped == reference(text, tokens));
    FUZZ_CHECK(stripped.size() <= text.size());
    return 0;
}
