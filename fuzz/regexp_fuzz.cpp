// TRegExp with the product's own patterns over any page text: matches lie inside the text,
// in order and without overlap, each is the text it points at, and Test agrees with Execute.
#include "fuzz_check.h"
#include "keyword/keyword_engines.h"
#include "platform/errors.h"
#include "platform/regexp.h"
#include "platform/text_codec.h"
#include "query/count_probes.h"
#include "query/engine_row.h"

#include <memory>
#include <vector>

namespace {

// Patterns written in the probes, lookups and validation (the count and keyword tables are
// read from the product itself).
const char16_t* const kOtherPatterns[] = {
    u"<strong>((.|\\n)*?)</strong>",
    u"搜狗评级:((.|\\n)*?)/100",
    u"<font color=\"#008000\">((.|\\n)*?)</font>",
    u"<h3 class=r>((.|\\n)*?)target=_blank",
    u"<span class=gl><a href=\"((.|\\n)*?)target=_blank",
    u"这是该网页在((.|\\n)*?)日",
    u"<!-- start -->((.|\\n)*?)友情提示",
    u"您的IP是：((.|\\n)*?)</div>",
    u"您查询的IP:((.|\\n)*?)<br/>",
    uR"(^\w+((-\w+)|(\.\w+))*[A-Za-z0-9]+((\.|-)[A-Za-z0-9]+)*\.[A-Za-z]+$)",
};

std::vector<QString> allPatterns() {
    std::vector<QString> patterns;
    for (const kelvane::query::CountProbeSpec& spec : kelvane::query::CountProbeSpecs())
        patterns.push_back(QString::fromUtf16(spec.row->patterns.front()));
    for (const kelvane::query::EngineId engine : kelvane::query::kAllEngines)
        patterns.push_back(QString::fromUtf16(kelvane::keyword::KeywordEngine(engine).pattern));
    for (const char16_t* pattern : kOtherPatterns)
        patterns.push_back(QString::fromUtf16(pattern));
    return patterns;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvane;
    static const std::vector<QString> patterns = allPatterns();
    // Compiled once per pattern and option set, as a probe keeps its matcher for a page.
    static std::vector<std::unique_ptr<platform::TRegExp>> matchers(patterns.size() * 8);
    if (size < 2)
        return 0;
    const size_t which = data[0] % patterns.size();
    const int options = data[1] & 7;
    std::unique_ptr<platform::TRegExp>& slot = matchers[which * 8 + options];
    if (!slot) {
        slot = std::make_unique<platform::TRegExp>();
        slot->setPattern(patterns[which]);
        slot->setIgnoreCase(options & 1);
        slot->setGlobal(options & 2);
        slot->setMultiline(options & 4);
    }
    platform::TRegExp& matcher = *slot;
    // Pages reach the matcher decoded: as UTF-8, or in the ANSI code page.
    const QByteArray page = fuzz::bytesOf(data + 2, size - 2);
    const QString text = (data[1] & 8) ? platform::fromAnsi(page) : platform::fromUtf8(page);

    QList<platform::RegExpMatch> matches;
    try {
        matches = matcher.Execute(text);
    } catch (const platform::EMatcherError&) {
        FUZZ_CHECK(false); // every product pattern compiles
    }
    FUZZ_CHECK(matcher.Global() || matches.size() <= 1);
    qsizetype end = 0;
    for (const platform::RegExpMatch& match : matches) {
        FUZZ_CHECK(match.firstIndex >= end && match.length >= 0);
        FUZZ_CHECK(match.firstIndex + match.length <= text.size());
        FUZZ_CHECK(match.value == QStringView(text).sliced(match.firstIndex, match.length));
        end = match.firstIndex + match.length;
    }
    FUZZ_CHECK(matcher.Test(text) == !matches.isEmpty());
    return 0;
}
