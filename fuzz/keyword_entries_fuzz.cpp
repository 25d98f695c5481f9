// Keyword result entries: the first input byte picks the engine, the text up to the first NUL
// is the site, the rest the page. The entry found is the first that holds the site, upper-cased
// by the locale, and an empty site is found nowhere.
#include "fuzz_check.h"
#include "keyword/keyword_engines.h"
#include "keyword/keyword_rank_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    if (size == 0)
        return 0;
    const keyword::KeywordEngineSpec& spec =
        keyword::KeywordEngine(query::kAllEngines[data[0] % query::kEngineCount]);
    const QList<QByteArray> parts = fuzz::splitInput(fuzz::bytesOf(data + 1, size - 1), '\0', 2);
    const QLocale locale(QLocale::Chinese, QLocale::China);
    const QString site = locale.toUpper(QString::fromUtf8(parts[0]));
    const QString page = QString::fromUtf8(parts[1]);

    platform::TRegExp matcher;
    matcher.setMultiline(true);
    matcher.setGlobal(true);
    matcher.setPattern(QStringView(spec.pattern).toString());
    const QList<platform::RegExpMatch> entries = matcher.Execute(page);
    const qsizetype found = keyword::FirstEntryHoldingSite(entries, site, locale);
    FUZZ_CHECK(found >= 0 && found <= entries.size());
    if (site.isEmpty())
        FUZZ_CHECK(found == 0);
    const qsizetype checked = found > 0 ? found - 1 : entries.size();
    for (qsizetype n = 0; n < checked; ++n)
        FUZZ_CHECK(!locale.toUpper(entries[n].value).contains(site) || site.isEmpty());
    if (found > 0)
        FUZZ_CHECK(locale.toUpper(entries[found - 1].value).contains(site));
    for (const platform::RegExpMatch& entry : entries)
        FUZZ_CHECK(entry.firstIndex >= 0 && entry.firstIndex + entry.length <= page.size());
    return 0;
}
