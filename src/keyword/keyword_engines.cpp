#include "keyword/keyword_engines.h"

#include "keyword/percent_encode.h"
#include "platform/text_codec.h"
#include "query/engine_definitions.h"

#include <array>

namespace kelvane::keyword {

namespace {

struct KeywordEngineIdentity {
    const char16_t* id;
    const char16_t* searcher;
    const char16_t* name;
};

// In EngineId order; the rest of each row comes from the engine definitions.
constexpr KeywordEngineIdentity kIdentities[query::kEngineCount] = {
    {u"baidu.keyword", u"BaiduKeywordRank", u"baidu"},
    {u"google.keyword", u"GoogleKeywordRank", u"google"},
    {u"yahoo.keyword", u"YahooKeywordRank", u"yahoo"},
    {u"sogou.keyword", u"SogouKeywordRank", u"sogou"},
    {u"soso.keyword", u"SosoKeywordRank", u"soso"},
    {u"youdao.keyword", u"YoudaoKeywordRank", u"youdao"},
    {u"bing.keyword", u"BingKeywordRank", u"bing"},
};

using EngineTable = std::array<KeywordEngineSpec, query::kEngineCount>;

EngineTable buildEngines(const query::EngineDefinitions& definitions) {
    EngineTable engines{};
    for (std::size_t i = 0; i < engines.size(); ++i) {
        const query::EngineRow& row = definitions.row(kIdentities[i].id);
        engines[i] = {static_cast<query::EngineId>(i),
                      kIdentities[i].searcher,
                      kIdentities[i].name,
                      row.hostKey,
                      row.piece(0),
                      row.piece(1),
                      row.pageStep,
                      row.pageBase,
                      row.keywordUtf8 ? KeywordBytes::Utf8 : KeywordBytes::Ansi,
                      row.patterns.front(),
                      row.errorText,
                      row.guardWholeSearch ? GuardedRegion::WholeSearch : GuardedRegion::PageLoop,
                      row.blockSigns,
                      row.piece(2),
                      &row};
    }
    return engines;
}

const EngineTable& engines() {
    return query::currentDefinitions().derived(buildEngines);
}

} // namespace

const KeywordEngineSpec& KeywordEngine(query::EngineId engine) {
    return engines()[static_cast<std::size_t>(engine)];
}

const KeywordEngineSpec* KeywordEngineNamed(QStringView name) {
    for (const KeywordEngineSpec& spec : engines()) {
        if (name == QStringView(spec.name))
            return &spec;
    }
    return nullptr;
}

qint64 KeywordPageValue(const KeywordEngineSpec& spec, qint64 page) {
    return (page - 1) * spec.pageStep + spec.pageBase;
}

QString KeywordPageUrl(const KeywordEngineSpec& spec, const QString& origin,
                       const QString& encodedKeyword, qint64 page) {
    QString url = origin;
    url += QStringView(spec.beforeKeyword);
    url += encodedKeyword;
    url += QStringView(spec.afterKeyword);
    url += QString::number(KeywordPageValue(spec, page));
    url += QStringView(spec.afterPage);
    return url;
}

QString EncodeKeyword(const KeywordEngineSpec& spec, const QString& keyword) {
    return PercentEncode(spec.keywordBytes == KeywordBytes::Utf8 ? keyword.toUtf8()
                                                                 : platform::toAnsi(keyword));
}

} // namespace kelvane::keyword
