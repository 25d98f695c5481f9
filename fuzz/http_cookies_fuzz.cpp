// Set-Cookie values against a request host and path, into one client's store, and the
// Cookie header that goes back: bounded, and never more than one request line.
#include "fuzz_check.h"
#include "net/http_cookies.h"
#include "net/http_request.h"
#include "net/http_response_head.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    // Request host, request path, then one header value per line.
    const QList<QByteArray> parts = fuzz::splitInput(fuzz::bytesOf(data, size), '\n', 3);
    const QString host = net::headLineText(parts[0]);
    const QString path = net::headLineText(parts[1]);
    const QDateTime now(QDate(2024, 3, 5), QTime(9, 3, 7), Qt::UTC);

    net::IdHTTPResponse head;
    for (const QByteArray& value : parts[2].split('\n')) {
        const QString text = net::headLineText(value);
        head.headers.append({QStringLiteral("Set-Cookie"), text});
        if (const std::optional<net::HttpCookie> cookie =
                net::parseSetCookie(text, host, path, now))
            FUZZ_CHECK(!cookie->name.isEmpty());
        (void)net::parseCookieDate(text);
        (void)net::domainMatches(host, text);
    }
    net::CookieStore store;
    store.storeFrom(head, host, path, now);
    FUZZ_CHECK(store.cookies().size() <= net::CookieStore::kMaxCookies);

    net::GetRequest request;
    request.target = path;
    request.host = host;
    request.cookie = store.cookieHeader(host, path, now);
    const QByteArray bytes = net::buildGetRequest(request);
    // Only the fixed header lines and continuations of them: no value starts a header.
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        FUZZ_CHECK(line.startsWith(' ') || line.startsWith("Host: ") ||
                   line.startsWith("Accept: ") || line.startsWith("Accept-Encoding: ") ||
                   line.startsWith("Cookie: ") || line == "\r");
    }
    FUZZ_CHECK(bytes.count('\r') == bytes.count("\r\n") &&
               bytes.count('\n') == bytes.count("\r\n"));
    FUZZ_CHECK(bytes.endsWith("\r\n\r\n"));
    return 0;
}
