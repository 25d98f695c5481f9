// URLs and redirect Locations: the split always gives a path that begins and ends with "/",
// a document without "/", and a request that stays one request line.
#include "fuzz_check.h"
#include "net/http_request.h"
#include "net/http_url.h"

namespace {

void checkUrl(const kelvane::net::Url& url) {
    FUZZ_CHECK(url.path.startsWith(u'/') && url.path.endsWith(u'/'));
    FUZZ_CHECK(!url.document.contains(u'/') && !url.document.contains(u'#'));
    FUZZ_CHECK(!url.path.contains(u'\\') && !url.document.contains(u'\\'));
    const QString target = kelvane::net::requestTarget(url);
    FUZZ_CHECK(target.startsWith(u'/'));
    kelvane::net::GetRequest request;
    request.target = target;
    request.host = kelvane::net::hostValue(url);
    const QByteArray bytes = kelvane::net::buildGetRequest(request);
    const qsizetype firstLine = bytes.indexOf("\r\n");
    FUZZ_CHECK(firstLine > 0);
    FUZZ_CHECK(bytes.left(firstLine).count(' ') == 2);
    FUZZ_CHECK(bytes.count('\n') == bytes.count("\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    const QList<QByteArray> parts = fuzz::splitInput(fuzz::bytesOf(data, size), '\n', 2);
    const net::Url current = net::parseUrl(QString::fromUtf8(parts[0]));
    checkUrl(current);
    (void)net::toString(current);
    const net::Url next = net::resolveLocation(current, QString::fromUtf8(parts[1]));
    checkUrl(next);
    QString location = QString::fromUtf8(parts[1]).replace(u'\\', u'/');
    const QString rest = location.left(location.indexOf(u'?'));
    if (!location.contains(QLatin1String("://")) && !location.startsWith(QLatin1String("//")) &&
        !rest.isEmpty()) {
        // A relative Location keeps where the client connects and never climbs above "/".
        FUZZ_CHECK(next.host == current.host && next.port == current.port &&
                   next.scheme == current.scheme);
        FUZZ_CHECK(!next.path.contains(QLatin1String("/../")) &&
                   !next.path.contains(QLatin1String("/./")));
    }
    return 0;
}
