// The site list file as another editor may leave it: any byte-order mark, any line ends, a
// NUL anywhere. Read through the product's reader, then saved and read again unchanged.
#include "fuzz_check.h"
#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "store/site_list.h"
#include "store/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    fuzz::enterScratchDir(QStringLiteral("zenvo"));
    const QByteArray bytes = fuzz::bytesOf(data, size);
    platform::writeFileAtomically(QStringLiteral("zenvo/website.txt"), bytes);

    const QStringList sites = store::ReadSiteList();
    const QString text = store::ReadSiteListText();
    for (const QString& site : sites)
        FUZZ_CHECK(!site.contains(u'\r') && !site.contains(u'\n') && !site.contains(QChar(0)));
    FUZZ_CHECK(store::splitLines(text) == sites);
    FUZZ_CHECK(text.count(u'\n') == text.count(QStringLiteral("\r\n")));
    FUZZ_CHECK(text.count(u'\r') == text.count(u'\n'));

    // The byte form of the line split agrees with the text form on ANSI files.
    const QString decoded = platform::decodeText(bytes);
    if (platform::detectEncoding(bytes) == platform::TextEncoding::Ansi) {
        const QList<store::LineRange> byteLines = store::lineRanges(QByteArrayView(bytes));
        FUZZ_CHECK(byteLines.size() == store::lineRanges(QStringView(decoded)).size());
    }

    // What the site manager saves is read back as the same entries, where ANSI holds them.
    store::WriteSiteList(text);
    const QByteArray saved = platform::readFileBytes(QStringLiteral("zenvo/website.txt"));
    FUZZ_CHECK(saved.count('\n') == saved.count("\r\n"));
    if (kelvane::platform::fromAnsi(kelvane::platform::toAnsi(text)) == text)
        FUZZ_CHECK(store::ReadSiteList() == sites);
    return 0;
}
