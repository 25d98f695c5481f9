#pragma once

#include "query/outcome.h"
#include "query/site_label.h"

#include <QList>
#include <QString>
#include <utility>

namespace kelvane::query {

// A place of the result view that a probe fills.
struct SiteField {
    enum class Kind { PageRank, SouGouRankG, Label, Cell };
    Kind kind = Kind::Cell;
    int column = 0;
    int row = 0;
    SiteLabel label = SiteLabel::lblAlexaRank;

    static SiteField cell(int column, int row) { return {Kind::Cell, column, row, {}}; }
    static SiteField of(SiteLabel label) { return {Kind::Label, 0, 0, label}; }
    static SiteField pageRank() { return {Kind::PageRank, 0, 0, {}}; }
    static SiteField sogouRank() { return {Kind::SouGouRankG, 0, 0, {}}; }
    friend bool operator==(const SiteField&, const SiteField&) = default;
};

// The control's name: "StringGD", "lblAlexaRank", "PageRank", "SouGouRankG".
QString SiteFieldName(const SiteField& field);
// The key of the history record: "pagerank", "baidu.site", "google.snapshot", ...
QString SiteFieldHistoryKey(const SiteField& field);

// The outcomes of one run, in the order the probes ran; a field set twice keeps its place.
class SiteOutcomes {
public:
    using Entry = std::pair<SiteField, Outcome>;

    void set(const SiteField& field, const Outcome& outcome);
    void clear() { entries_.clear(); }
    // The outcome of a field, or null when its option was not ticked.
    const Outcome* find(const SiteField& field) const;
    // Every entry whose outcome is not ok, in order.
    QList<Entry> failures() const;
    // Whether any outcome means the run did not get its data.
    bool hasFault() const;
    // "key=reason" pairs joined by ";", one per history key, the first failure of each key;
    // empty when every outcome is ok.
    QString historyField() const;

private:
    QList<Entry> entries_;
};

} // namespace kelvane::query
