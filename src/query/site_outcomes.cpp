#include "query/site_outcomes.h"

#include "query/engine_id.h"

#include <algorithm>
#include <array>

namespace kelvane::query {

namespace {

constexpr std::array<const char16_t*, 6> kLabelKeys = {u"alexa",           u"chinarank",
                                                       u"baidu.snapshot",  u"baidu.snapshot",
                                                       u"google.snapshot", u"google.snapshot"};

constexpr int kSiteRow = 1;

} // namespace

QString SiteFieldName(const SiteField& field) {
    switch (field.kind) {
    case SiteField::Kind::PageRank:
        return QStringLiteral("PageRank");
    case SiteField::Kind::SouGouRankG:
        return QStringLiteral("SouGouRankG");
    case SiteField::Kind::Label:
        return QString::fromLatin1(kSiteLabelNames[static_cast<size_t>(field.label)]);
    case SiteField::Kind::Cell:
        break;
    }
    return QStringLiteral("StringGD");
}

QString SiteFieldHistoryKey(const SiteField& field) {
    switch (field.kind) {
    case SiteField::Kind::PageRank:
        return QStringLiteral("pagerank");
    case SiteField::Kind::SouGouRankG:
        return QStringLiteral("sogourank");
    case SiteField::Kind::Label:
        return QString::fromUtf16(kLabelKeys[static_cast<size_t>(field.label)]);
    case SiteField::Kind::Cell:
        break;
    }
    const int engine = std::clamp(field.column - 1, 0, kEngineCount - 1);
    return QString::fromUtf16(kEngineKeys[static_cast<size_t>(engine)]) +
           (field.row == kSiteRow ? QStringLiteral(".site") : QStringLiteral(".link"));
}

void SiteOutcomes::set(const SiteField& field, const Outcome& outcome) {
    for (Entry& entry : entries_) {
        if (entry.first == field) {
            entry.second = outcome;
            return;
        }
    }
    entries_.append({field, outcome});
}

const Outcome* SiteOutcomes::find(const SiteField& field) const {
    for (const Entry& entry : entries_) {
        if (entry.first == field)
            return &entry.second;
    }
    return nullptr;
}

QList<SiteOutcomes::Entry> SiteOutcomes::failures() const {
    QList<Entry> failed;
    for (const Entry& entry : entries_) {
        if (!entry.second.ok())
            failed.append(entry);
    }
    return failed;
}

bool SiteOutcomes::hasFault() const {
    for (const Entry& entry : entries_) {
        if (isFault(entry.second.reason))
            return true;
    }
    return false;
}

QString SiteOutcomes::historyField() const {
    QStringList keys;
    QStringList pairs;
    for (const Entry& entry : failures()) {
        const QString key = SiteFieldHistoryKey(entry.first);
        if (keys.contains(key))
            continue;
        keys.append(key);
        pairs.append(key + u'=' + reasonName(entry.second.reason));
    }
    return pairs.join(u';');
}

} // namespace kelvane::query
