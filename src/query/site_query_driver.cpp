#include "query/site_query_driver.h"

#include "query/domain_validation.h"

#include <algorithm>
#include <optional>

namespace kelvane::query {

namespace {

const QString kNotSelected = QStringLiteral("未选");

// The options panel's flag and the snapshot labels of each engine, in EngineId order; the
// engine's grid column is its position plus one.
struct EngineStep {
    Tick SiteQueryOptions::*flag;
    std::optional<std::pair<SiteLabel, SiteLabel>> snapshotLabels;
};

constexpr std::array<EngineStep, kEngineCount> kEngineSteps = {{
    {&SiteQueryOptions::chkBaidu, std::pair{SiteLabel::lblBaiduSite, SiteLabel::lblBaiduKz}},
    {&SiteQueryOptions::chkGoogle, std::pair{SiteLabel::lblGoogleSite, SiteLabel::lblGoogleKz}},
    {&SiteQueryOptions::chkYahoo, std::nullopt},
    {&SiteQueryOptions::chkSogou, std::nullopt},
    {&SiteQueryOptions::chkSoso, std::nullopt},
    {&SiteQueryOptions::chkYoudao, std::nullopt},
    {&SiteQueryOptions::chkBing, std::nullopt},
}};

constexpr SiteLabel kAllLabels[] = {SiteLabel::lblAlexaRank, SiteLabel::lblChinaRank,
                                    SiteLabel::lblBaiduSite, SiteLabel::lblGoogleSite,
                                    SiteLabel::lblBaiduKz,   SiteLabel::lblGoogleKz};

constexpr int kSiteRow = 1;
constexpr int kLinkRow = 2;
constexpr int kUntickedPageRankImage = 1;

// Gives the query button and the domain box back however the run ends.
class ControlsReleaser {
public:
    explicit ControlsReleaser(SiteQueryView& view) : view_(view) {}
    ~ControlsReleaser() {
        view_.setBtnQureEnabled(true);
        view_.setTxtUrlEnabled(true);
    }
    ControlsReleaser(const ControlsReleaser&) = delete;
    ControlsReleaser& operator=(const ControlsReleaser&) = delete;

private:
    SiteQueryView& view_;
};

void clearPreviousResult(SiteQueryView& view) {
    for (int column = 1; column <= kEngineCount; ++column) {
        view.setStringGDCell(column, kSiteRow, QString());
        view.setStringGDCell(column, kLinkRow, QString());
    }
    view.setImagePRVisible(false);
    view.setSouGouRankGVisible(false);
    for (SiteLabel label : kAllLabels)
        view.setLabelText(label, QString());
    view.clearOutcomes();
    view.repaintAll();
}

} // namespace

SiteQueryDriver::SiteQueryDriver(SiteQueryView& view, const SiteQueryOptions& options,
                                 SiteQueryProbes probes, SaveToFileHook saveToFile,
                                 QString homeSiteHost)
    : view_(view), options_(options), probes_(std::move(probes)),
      saveToFile_(std::move(saveToFile)), homeSiteHost_(std::move(homeSiteHost)) {}

void SiteQueryDriver::run() {
    pageRank_ = 0;
    if (begin(view_, homeSiteHost_))
        runSteps();
}

bool SiteQueryDriver::begin(SiteQueryView& view, const QString& homeSiteHost) {
    if (!view.StringGDCell(1, kSiteRow).isEmpty())
        clearPreviousResult(view);

    const QString text = view.txtUrlText();
    if (text.isEmpty() || !IsValidDomain(text)) {
        view.setTxtUrlText(homeSiteHost);
        return false;
    }

    view.setBtnQureEnabled(false);
    view.setTxtUrlEnabled(false);
    view.clearOutcomes();
    return true;
}

void SiteQueryDriver::runSteps() {
    pageRank_ = 0;
    const ControlsReleaser releaser(view_);
    runProbes(view_.txtUrlText());
}

void SiteQueryDriver::runProbes(const QString& domain) {
    view_.setImagePRImage(std::nullopt);
    const int pageRank = queryPageRank(domain);
    pageRank_ = pageRank;
    querySogouRank(domain);
    queryTextLabel(options_.chkAlexa, probes_.AlexaRankLookup, SiteLabel::lblAlexaRank, domain);
    queryTextLabel(options_.chkChinaRank, probes_.ChinaRankLookup, SiteLabel::lblChinaRank, domain);
    for (EngineId engine : kAllEngines)
        queryEngine(engine, domain);
    saveHistory(pageRank);
}

int SiteQueryDriver::queryPageRank(const QString& domain) {
    int pageRank = 0;
    if (options_.chkPageRank) {
        const Probed<int> probed = probes_.PageRankLookup(domain);
        pageRank = probed.value;
        view_.setOutcome(SiteField::pageRank(), probed.outcome);
        // A value past the last bar names no image: the picture stays empty.
        if (pageRank >= 0 && pageRank < SiteQueryView::kPageRankImages)
            view_.setImagePRImage(pageRank);
    } else {
        view_.setImagePRImage(kUntickedPageRankImage);
    }
    view_.setImagePRVisible(true);
    return pageRank;
}

void SiteQueryDriver::querySogouRank(const QString& domain) {
    int rank = 0;
    if (options_.chkSogouRank) {
        const Probed<int> probed = probes_.SogouRankLookup(domain);
        rank = probed.value;
        view_.setOutcome(SiteField::sogouRank(), probed.outcome);
    }
    view_.setSouGouRankGPosition(std::clamp(rank, 0, SiteQueryView::kGaugeMax));
    view_.setSouGouRankGVisible(true);
}

void SiteQueryDriver::queryEngine(EngineId engine, const QString& domain) {
    const auto index = static_cast<size_t>(engine);
    const EngineStep& step = kEngineSteps[index];
    const int column = static_cast<int>(index) + 1;
    if (options_.*step.flag) {
        const EngineProbes& probes = probes_[engine];
        const Probed<QString> site = probes.siteCount(domain);
        view_.setStringGDCell(column, kSiteRow, site.value);
        view_.setOutcome(SiteField::cell(column, kSiteRow), site.outcome);
        const Probed<QString> link = probes.linkCount(domain);
        view_.setStringGDCell(column, kLinkRow, link.value);
        view_.setOutcome(SiteField::cell(column, kLinkRow), link.outcome);
        if (step.snapshotLabels && probes.snapshot) {
            probes.snapshot(view_);
            // The snapshot reads the site page: without this run's page its labels hold no
            // news, whatever they show.
            if (isFault(site.outcome.reason)) {
                view_.setOutcome(SiteField::of(step.snapshotLabels->first), site.outcome);
                view_.setOutcome(SiteField::of(step.snapshotLabels->second), site.outcome);
            }
        }
        return;
    }
    view_.setStringGDCell(column, kSiteRow, kNotSelected);
    view_.setStringGDCell(column, kLinkRow, kNotSelected);
    if (step.snapshotLabels) {
        view_.setLabelText(step.snapshotLabels->first, kNotSelected);
        view_.setLabelText(step.snapshotLabels->second, kNotSelected);
    }
}

void SiteQueryDriver::queryTextLabel(bool ticked, const TextProbe& probe, SiteLabel label,
                                     const QString& domain) {
    if (!ticked) {
        view_.setLabelText(label, kNotSelected);
        return;
    }
    const Probed<QString> probed = probe(domain);
    view_.setLabelText(label, probed.value);
    view_.setOutcome(SiteField::of(label), probed.outcome);
}

void SiteQueryDriver::saveHistory(int pageRank) {
    // A stopped run is not a measurement of the site.
    for (const auto& failure : view_.outcomes().failures()) {
        if (failure.second.reason == FallbackReason::Stopped)
            return;
    }
    const QString domain = view_.txtUrlText();
    const QString pageRankText = QString::number(pageRank);
    for (const QString& item : view_.txtUrlItems()) {
        if (item == domain && saveToFile_)
            saveToFile_(pageRankText);
    }
}

} // namespace kelvane::query
