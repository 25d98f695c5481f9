#pragma once

#include "query/block_signs.h"
#include "query/engine_id.h"
#include "query/engine_row.h"

#include <QString>
#include <QStringView>

namespace kelvane::keyword {

// How the keyword becomes bytes before it is percent-encoded.
enum class KeywordBytes {
    Ansi, // the ANSI code page (GBK)
    Utf8,
};

// Where a failure becomes the engine's error text rather than reaching the caller.
enum class GuardedRegion {
    PageLoop,    // the page loop only: failures before the first page reach the caller
    WholeSearch, // from the creation of the working state on
};

// Everything one engine's keyword rank search does differently from the others.
struct KeywordEngineSpec {
    query::EngineId engine;
    const char16_t* searcher; // the searcher's name, as BaiduKeywordRank
    const char16_t* name;     // short lower-case name for the console front end
    const char16_t* hostKey;  // host configuration key
    const char16_t* beforeKeyword;
    const char16_t* afterKeyword;
    // Page value for page p: (p - 1) * pageStep + pageBase.
    int pageStep;
    int pageBase;
    KeywordBytes keywordBytes;
    // Matches one result entry; the whole match is tested for the site.
    const char16_t* pattern;
    const char16_t* errorText;
    GuardedRegion guarded;
    // What the engine's answer looks like when it refuses the search.
    const query::BlockSigns* blockSigns;
    // What follows the page value in the URL.
    const char16_t* afterPage = u"";
    // The row it comes from: how pages are asked for and read, whether the service still
    // answers, what its page without results looks like.
    const query::EngineRow* row = nullptr;
};

// The row of an engine, from the current engine definitions.
const KeywordEngineSpec& KeywordEngine(query::EngineId engine);
// The row whose short name is given, or null.
const KeywordEngineSpec* KeywordEngineNamed(QStringView name);

// The value that ends the URL of page p; 64-bit, so no page number can overflow it.
qint64 KeywordPageValue(const KeywordEngineSpec& spec, qint64 page);

// origin ("http://host" or "https://host") + text before + encoded keyword + text after + page
// value + text after the page.
QString KeywordPageUrl(const KeywordEngineSpec& spec, const QString& origin,
                       const QString& encodedKeyword, qint64 page);

// The keyword in the engine's keyword bytes, percent-encoded.
QString EncodeKeyword(const KeywordEngineSpec& spec, const QString& keyword);

} // namespace kelvane::keyword
