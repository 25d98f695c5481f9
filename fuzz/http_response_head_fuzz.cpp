// The response head as the client reads it: lines up to LF, a CR before it dropped, each
// line as US-ASCII text, then the head parser and the questions the client asks of it.
#include "fuzz_check.h"
#include "net/http_response_head.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QByteArray input = fuzz::bytesOf(data, size);
    QList<QString> lines;
    for (QByteArray line : input.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = net::headLineText(line);
        FUZZ_CHECK(text.size() == line.size());
        lines.append(text);
    }
    const net::IdHTTPResponse head = net::parseResponseHead(lines);
    FUZZ_CHECK(head.statusLine == lines.first());
    FUZZ_CHECK(head.ResponseCode == net::statusCodeOf(head.statusLine));
    FUZZ_CHECK(head.ResponseCode >= -1 && head.ResponseCode <= 999999999);
    FUZZ_CHECK(head.headers.size() < lines.size());
    for (const auto& [name, value] : head.headers) {
        FUZZ_CHECK(!name.contains(u'\n') && !value.contains(u'\n'));
        FUZZ_CHECK(value == value.trimmed());
    }
    FUZZ_CHECK(net::contentLength(head) >= -1);
    (void)net::asksToClose(head);
    (void)net::isChunked(head);
    (void)head.ContentType();
    return 0;
}
