// The whois and IP lookups' rewriting of a page into memo text: the first input byte picks
// the row, the rest is the page. The rewrite never grows the text past what its replacements
// allow, and the whois memo has no line feed without its carriage return.
#include "fuzz_check.h"
#include "lookup/lookups.h"
#include "lookup/memo_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    if (size == 0)
        return 0;
    const lookup::LookupTable& table = lookup::lookupTable();
    const lookup::PageLookup* rows[] = {&table.whois, &table.ownIp, &table.ip};
    const lookup::PageLookup& row = *rows[data[0] % 3];
    const QString page = QString::fromUtf8(fuzz::bytesOf(data + 1, size - 1));

    const QString memo = lookup::RewriteLookupPage(row, page);
    qsizetype growth = 1;
    for (const lookup::Replacement& replacement : row.replacements) {
        if (!replacement.from.isEmpty())
            growth = qMax(growth, (replacement.to.size() + replacement.from.size() - 1) /
                                      replacement.from.size());
    }
    FUZZ_CHECK(memo.size() <= page.size() * growth + row.answerText.size());
    if (&row == &table.whois) {
        for (qsizetype at = memo.indexOf(u'\n'); at >= 0; at = memo.indexOf(u'\n', at + 1))
            FUZZ_CHECK(at > 0 && memo[at - 1] == u'\r');
    }
    FUZZ_CHECK(lookup::MemoDisplayText(memo).size() <= memo.size());
    return 0;
}
