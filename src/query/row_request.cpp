#include "query/row_request.h"

#include "platform/host_config.h"

namespace kelvane::query {

QString rowUrl(const EngineRow& row, const QString& domain) {
    return platform::originFor(QString::fromUtf16(row.hostKey)) + QString::fromUtf16(row.piece(0)) +
           domain + QString::fromUtf16(row.piece(1));
}

ProbeRequestOptions rowOptions(const EngineRow& row) {
    ProbeRequestOptions options;
    if (row.userAgent)
        options.userAgent = QString::fromUtf16(row.userAgent);
    options.followRedirects = row.followRedirects;
    options.readTimeoutMs = row.readTimeoutMs;
    options.closedYear = row.closedYear;
    for (const auto& [name, value] : row.headers)
        options.headers.append({QString::fromUtf16(name), QString::fromUtf16(value)});
    return options;
}

FetchRequest rowRequest(const EngineRow& row, const QString& domain) {
    FetchRequest request;
    request.url = rowUrl(row, domain);
    request.mode = row.mode;
    request.options = rowOptions(row);
    const QStringList patterns = textsOf(row.patterns);
    if (!patterns.isEmpty()) {
        request.pattern = patterns.first();
        request.morePatterns = patterns.mid(1);
    }
    request.tokens = textsOf(row.tokens);
    if (row.fallback)
        request.fallback = QString::fromUtf16(row.fallback);
    if (row.noResults)
        request.noResults = QString::fromUtf16(row.noResults);
    request.pumpAtEnd = row.pumpAtEnd;
    request.blockSigns = row.blockSigns;
    request.value = row.value;
    return request;
}

} // namespace kelvane::query
