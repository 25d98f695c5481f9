#pragma once

#include "query/engine_id.h"
#include "query/outcome.h"
#include "query/site_query_view.h"

#include <QString>
#include <array>
#include <functional>

namespace kelvane::query {

// The probes the site query calls, each with the domain text unchanged; a probe that returns
// a bare value reports it as "ok".
using CountProbe = std::function<Probed<QString>(const QString& domain)>;
using RankProbe = std::function<Probed<int>(const QString& domain)>;
using TextProbe = std::function<Probed<QString>(const QString& domain)>;
// A snapshot probe reads the domain from the view and writes its engine's two labels, and
// their outcomes, itself.
using SnapshotProbe = std::function<void(SiteQueryView& view)>;

struct EngineProbes {
    CountProbe siteCount;   // row "收录"
    CountProbe linkCount;   // row "反链"
    SnapshotProbe snapshot; // Baidu and Google only
};

struct SiteQueryProbes {
    RankProbe PageRankLookup;
    RankProbe SogouRankLookup;
    TextProbe AlexaRankLookup;
    TextProbe ChinaRankLookup;
    // Indexed by EngineId.
    std::array<EngineProbes, kEngineCount> engines;

    EngineProbes& operator[](EngineId engine) { return engines[static_cast<size_t>(engine)]; }
    const EngineProbes& operator[](EngineId engine) const {
        return engines[static_cast<size_t>(engine)];
    }
};

// Appends the history record of the domain in the view; the PageRank comes as decimal text.
using SaveToFileHook = std::function<void(const QString& pageRank)>;

} // namespace kelvane::query
