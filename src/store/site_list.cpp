#include "store/site_list.h"

#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "store/store_paths.h"
#include "store/text_lines.h"

namespace kelvane::store {

namespace {

QString siteListText() {
    const QString text = platform::decodeText(platform::readFileBytes(siteListPath()));
    return untilNul(text).toString();
}

} // namespace

QStringList ReadSiteList() {
    return splitLines(siteListText());
}

QString ReadSiteListText() {
    return withCrLf(siteListText());
}

void WriteSiteList(const QString& text) {
    platform::writeFileAtomically(siteListPath(), platform::toAnsi(withCrLf(text)));
}

} // namespace kelvane::store
