#pragma once

#include "query/fetch_and_extract.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelvane::store {

// The fields a record has without outcomes: seven engines, four ranks, the stamp.
inline constexpr int kPlainRecordFields = 12;

// The record's outcomes by key ("baidu.site" -> Blocked): from its last field when the record
// has more than twelve and that field reads wholly as "key=reason" pairs of known keys and
// reasons. Empty for a record of a run where everything was fine.
QMap<QString, query::FallbackReason> HistoryRecordOutcomes(const QStringList& fields);

// Whether a record's last field is its outcome field.
bool HasOutcomeField(const QStringList& fields);

// The history grid's column of an outcome key (1 to 7 the engines, 8 to 11 the ranks), or
// none for a key the record keeps no value of (the snapshots).
std::optional<int> HistoryColumnOfKey(const QString& key);

// Whether a value of that reason is no value at all: the chart leaves a gap for it.
bool IsMissingValue(query::FallbackReason reason);

} // namespace kelvane::store
