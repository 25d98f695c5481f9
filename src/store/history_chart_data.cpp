#include "store/history_chart_data.h"

#include "query/site_outcomes.h"
#include "store/history_grid.h"
#include "store/history_outcomes.h"

namespace kelvane::store {

namespace {

constexpr int kEngines = 7;
constexpr int kFirstRankField = kEngines; // PageRank, from 0
constexpr int kRanks = 4;
constexpr int kStampField = kEngines + kRanks;
const query::SiteField kRankFields[kRanks] = {query::SiteField::pageRank(),
                                              query::SiteField::sogouRank(),
                                              query::SiteField::of(query::SiteLabel::lblAlexaRank),
                                              query::SiteField::of(query::SiteLabel::lblChinaRank)};

QString field(const QStringList& fields, int index) {
    return index < fields.size() ? fields[index] : QString();
}

QString engineName(int engine) {
    return QString::fromUtf16(kHistoryColumns[size_t(engine) + 1].title).section(u'/', 0, 0);
}

} // namespace

std::optional<double> HistoryNumber(QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return text.toDouble();
}

HistoryChartData HistoryChart(const QList<QStringList>& newestFirst) {
    HistoryChartData chart;
    HistoryMetric indexed{QStringLiteral("收录"), {}, true, false};
    HistoryMetric backlinks{QStringLiteral("反链"), {}, true, false};
    for (int engine = 0; engine < kEngines; ++engine) {
        indexed.lines.append({engineName(engine), {}});
        backlinks.lines.append({engineName(engine), {}});
    }
    QList<HistoryMetric> ranks;
    for (int rank = 0; rank < kRanks; ++rank) {
        const QString title =
            QString::fromUtf16(kHistoryColumns[size_t(kFirstRankField + rank) + 1].title);
        // PageRank and SogouRank grow with the site; Alexa and ChinaRank count down to 1.
        ranks.append({title, {{title, {}}}, false, rank >= 2});
    }

    const qsizetype count = newestFirst.size();
    chart.stamps.reserve(count);
    for (qsizetype i = count - 1; i >= 0; --i) {
        const QStringList& fields = newestFirst[i];
        const QMap<QString, query::FallbackReason> outcomes = HistoryRecordOutcomes(fields);
        // A value that failed is a fallback, not a measurement: no point is drawn.
        const auto failed = [&outcomes](const query::SiteField& place) {
            const auto found = outcomes.constFind(query::SiteFieldHistoryKey(place));
            return found != outcomes.constEnd() && IsMissingValue(*found);
        };
        for (int engine = 0; engine < kEngines; ++engine) {
            const QString pair = field(fields, engine);
            const qsizetype slash = pair.indexOf(u'/');
            const bool onePair = slash >= 0 && pair.indexOf(u'/', slash + 1) < 0;
            const bool siteFailed = failed(query::SiteField::cell(engine + 1, 1));
            const bool linkFailed = failed(query::SiteField::cell(engine + 1, 2));
            indexed.lines[engine].values.append(onePair && !siteFailed
                                                    ? HistoryNumber(QStringView(pair).left(slash))
                                                    : std::nullopt);
            backlinks.lines[engine].values.append(
                onePair && !linkFailed ? HistoryNumber(QStringView(pair).sliced(slash + 1))
                                       : std::nullopt);
        }
        for (int rank = 0; rank < kRanks; ++rank) {
            const bool rankFailed = failed(kRankFields[rank]);
            ranks[rank].lines[0].values.append(
                rankFailed ? std::nullopt : HistoryNumber(field(fields, kFirstRankField + rank)));
        }
        chart.stamps.append(field(fields, kStampField));
    }
    chart.metrics = {std::move(indexed), std::move(backlinks)};
    chart.metrics.append(std::move(ranks));
    return chart;
}

} // namespace kelvane::store
