// The cached-copy link taken from a result page becomes the URL of the next request: whatever
// the page holds, the link has none of its cut tokens' quotes or blanks, and the request made
// from it stays one request line with well-formed header lines.
#include "fuzz_check.h"
#include "net/http_request.h"
#include "net/http_url.h"
#include "query/snapshot_probes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QString page = QString::fromUtf8(fuzz::bytesOf(data, size));
    platform::TRegExp matcher;
    const std::optional<QString> link = query::CachedCopyLink(matcher, page);
    if (!link)
        return 0;
    FUZZ_CHECK(!link->contains(u'"') && !link->contains(u' '));
    FUZZ_CHECK(link->size() <= page.size());

    const net::Url url = net::parseUrl(*link);
    net::GetRequest request;
    request.target = net::requestTarget(url);
    request.host = net::hostValue(url);
    request.accept = QStringLiteral("text/html, */*");
    request.acceptEncoding = QStringLiteral("identity");
    const QByteArray bytes = net::buildGetRequest(request);
    const qsizetype firstLine = bytes.indexOf("\r\n");
    FUZZ_CHECK(firstLine > 0);
    FUZZ_CHECK(bytes.left(firstLine).count(' ') == 2);
    FUZZ_CHECK(bytes.count('\n') == bytes.count("\r\n"));
    FUZZ_CHECK(bytes.count('\r') == bytes.count("\r\n"));
    // The blank line comes once, at the end: nothing in the link can end the head early.
    FUZZ_CHECK(bytes.indexOf("\r\n\r\n") == bytes.size() - 4);
    return 0;
}
