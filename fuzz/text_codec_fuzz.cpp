// Content-Type charset rules and the decodings they choose, over any header value and body,
// and the same decodings written piece by piece as UTF-8.
#include "fuzz_check.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QList<QByteArray> parts = fuzz::splitInput(fuzz::bytesOf(data, size), '\n', 2);
    const QString contentType = QString::fromLatin1(parts[0]);
    const QByteArray& body = parts[1];

    const QString page = platform::pageCharset(contentType);
    FUZZ_CHECK(!page.contains(u';'));
    FUZZ_CHECK(page.size() <= contentType.size());
    const QString stringBody = platform::stringBodyCharset(contentType);
    FUZZ_CHECK(stringBody.size() <= contentType.size());
    if (!stringBody.isEmpty() && !contentType.contains(u'"'))
        FUZZ_CHECK(!stringBody.contains(u';') && stringBody == stringBody.trimmed());

    const QString pageText = platform::fromCharsetText(body, contentType);
    if (!platform::isUtf8CharsetName(page))
        FUZZ_CHECK(pageText == QString::fromLatin1(body));
    const QString bodyText = platform::fromStringBody(body, contentType);
    if (!platform::isUtf8CharsetName(stringBody))
        FUZZ_CHECK(bodyText.size() == body.size());

    // The ANSI decoding never yields more characters than bytes, nor swallows a last byte.
    const QString ansi = platform::fromAnsi(body);
    FUZZ_CHECK(ansi.size() <= body.size());
    FUZZ_CHECK(body.isEmpty() == ansi.isEmpty());
    (void)platform::toAnsi(ansi);
    // The page decodings written straight to UTF-8 read as the decodings do.
    FUZZ_CHECK(platform::ansiToUtf8(body) == ansi.toUtf8());
    FUZZ_CHECK(platform::charsetTextToUtf8(body, contentType) == pageText.toUtf8());
    (void)platform::fromUtf8(body);
    return 0;
}
