#include "query/engine_row_ids.h"

namespace kelvane::query {

namespace {

using enum EngineRowKind;

constexpr RowIdentity kRowIds[] = {
    {u"baidu.site", Count},
    {u"baidu.domain", Count},
    {u"google.site", Count},
    {u"google.link", Count},
    {u"yahoo.site", Count},
    {u"yahoo.link", Count},
    {u"sogou.site", Count},
    {u"sogou.link", Count},
    {u"soso.site", Count},
    {u"soso.link", Count},
    {u"youdao.site", Count},
    {u"youdao.link", Count},
    {u"bing.site", Count},
    {u"bing.link", Count},
    {u"pagerank", Rank},
    {u"sogou.rank", Rank},
    {u"alexa", Rank},
    {u"chinarank", Rank},
    {u"baidu.snapshot", Snapshot},
    {u"google.snapshot", Snapshot},
    {u"google.cache", Snapshot},
    {u"google.cache.date", Snapshot},
    {u"baidu.keyword", Keyword},
    {u"google.keyword", Keyword},
    {u"yahoo.keyword", Keyword},
    {u"sogou.keyword", Keyword},
    {u"soso.keyword", Keyword},
    {u"youdao.keyword", Keyword},
    {u"bing.keyword", Keyword},
    {u"whois", Lookup},
    {u"ip.own", Lookup},
    {u"ip", Lookup},
};

} // namespace

std::span<const RowIdentity> rowIdentities() {
    return kRowIds;
}

const RowIdentity* identityOf(QStringView id) {
    for (const RowIdentity& row : kRowIds) {
        if (id == QStringView(row.id))
            return &row;
    }
    return nullptr;
}

} // namespace kelvane::query
