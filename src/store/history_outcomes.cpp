#include "store/history_outcomes.h"

#include "query/outcome.h"
#include "query/site_outcomes.h"

#include <array>

namespace kelvane::store {

namespace {

constexpr int kEngines = 7;
constexpr std::array<const char16_t*, 4> kRankKeys = {u"pagerank", u"sogourank", u"alexa",
                                                      u"chinarank"};

bool isKnownKey(const QString& key) {
    return HistoryColumnOfKey(key) || key == u"baidu.snapshot" || key == u"google.snapshot";
}

std::optional<QMap<QString, query::FallbackReason>> parseOutcomes(const QString& field) {
    QMap<QString, query::FallbackReason> outcomes;
    for (const QString& pair : field.split(u';')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0)
            return std::nullopt;
        const QString key = pair.left(equals);
        const std::optional<query::FallbackReason> reason =
            query::reasonFromName(pair.mid(equals + 1));
        if (!reason || !isKnownKey(key))
            return std::nullopt;
        outcomes.insert(key, *reason);
    }
    return outcomes;
}

} // namespace

QMap<QString, query::FallbackReason> HistoryRecordOutcomes(const QStringList& fields) {
    if (fields.size() <= kPlainRecordFields)
        return {};
    return parseOutcomes(fields.last()).value_or(QMap<QString, query::FallbackReason>{});
}

bool HasOutcomeField(const QStringList& fields) {
    return fields.size() > kPlainRecordFields && parseOutcomes(fields.last()).has_value();
}

std::optional<int> HistoryColumnOfKey(const QString& key) {
    for (int engine = 0; engine < kEngines; ++engine) {
        for (int row = 1; row <= 2; ++row) {
            if (key == query::SiteFieldHistoryKey(query::SiteField::cell(engine + 1, row)))
                return engine + 1;
        }
    }
    for (size_t rank = 0; rank < kRankKeys.size(); ++rank) {
        if (key == QStringView(kRankKeys[rank]))
            return kEngines + 1 + static_cast<int>(rank);
    }
    return std::nullopt;
}

bool IsMissingValue(query::FallbackReason reason) {
    return query::isFault(reason) || reason == query::FallbackReason::NotConfigured ||
           reason == query::FallbackReason::Closed;
}

} // namespace kelvane::store
