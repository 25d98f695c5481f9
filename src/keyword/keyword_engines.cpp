#include "keyword/keyword_engines.h"

#include "keyword/percent_encode.h"
#include "platform/text_codec.h"

#include <array>

namespace kelvane {

namespace {

using enum EngineId;
using enum KeywordBytes;
using enum GuardedRegion;

constexpr const char16_t* kBaiduEntry = u"<font color=\"#008000\">((.|\\n)*?)</font>";
constexpr const char16_t* kGoogleEntry = u"<cite>((.|\\n)*?) </cite>";
constexpr const char16_t* kHeadingEntry = u"<h3>((.|\\n)*?)</h3>";
// No ">" after the attribute: Sogou's entry ends at the first "/&nbsp".
constexpr const char16_t* kSogouEntry = u"<font color=\"#008000\"((.|\\n)*?)/&nbsp";
constexpr const char16_t* kYoudaoEntry = u"<span class=\"l\">((.|\\n)*?)</span>";

// "，" is the full-width comma U+FF0C; Sogou's text has the ASCII comma.
constexpr const char16_t* kFailed = u"查询出错，请重试!";
constexpr const char16_t* kGoogleFailed = u"查询失败，请重试!";
constexpr const char16_t* kSogouFailed = u"查询出错,请重试!";

constexpr std::array<KeywordEngineSpec, kEngineCount> kEngines = {{
    {Baidu, u"BaiduKeywordRank", u"baidu", u"baidu", u"/s?wd=", u"&pn=", 10, 0, Ansi, kBaiduEntry,
     kFailed, PageLoop, &kBaiduBlockSigns},
    {Google, u"GoogleKeywordRank", u"google", u"google_cn", u"/search?hl=zh-CN&q=", u"&start=", 10,
     0, Ansi, kGoogleEntry, kGoogleFailed, PageLoop, &kGoogleBlockSigns},
    {Yahoo, u"YahooKeywordRank", u"yahoo", u"yahoo_cn", u"/s?p=", u"&b=", 10, 0, Ansi,
     kHeadingEntry, kFailed, WholeSearch, &kSearchPageBlockSigns},
    {Sogou, u"SogouKeywordRank", u"sogou", u"sogou", u"/web?query=", u"&page=", 1, 1, Ansi,
     kSogouEntry, kSogouFailed, WholeSearch, &kSogouBlockSigns},
    {Soso, u"SosoKeywordRank", u"soso", u"soso", u"/q?w=", u"&pg=", 1, 1, Ansi, kHeadingEntry,
     kFailed, WholeSearch, &kSearchPageBlockSigns},
    {Youdao, u"YoudaoKeywordRank", u"youdao", u"youdao", u"/search?q=", u"&start=", 10, 0, Ansi,
     kYoudaoEntry, kFailed, WholeSearch, &kSearchPageBlockSigns},
    {Bing, u"BingKeywordRank", u"bing", u"bing", u"/search?q=", u"&filt=all&first=", 10, 1, Utf8,
     kHeadingEntry, kFailed, WholeSearch, &kSearchPageBlockSigns},
}};

} // namespace

const KeywordEngineSpec& KeywordEngine(EngineId engine) {
    return kEngines[static_cast<std::size_t>(engine)];
}

const KeywordEngineSpec* KeywordEngineNamed(QStringView name) {
    for (const KeywordEngineSpec& spec : kEngines) {
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
    return url;
}

QString EncodeKeyword(const KeywordEngineSpec& spec, const QString& keyword) {
    return PercentEncode(spec.keywordBytes == Utf8 ? keyword.toUtf8() : text::toAnsi(keyword));
}

} // namespace kelvane
