#include "app/site_query_proxy.h"

#include "widgets/run_on_worker.h"

namespace kelvane::app {

SiteQueryProxy::SiteQueryProxy(query::SiteQueryView& target, QObject* context)
    : query::SiteQueryState(query::SiteQueryState::copyOf(target)), target_(&target),
      context_(context) {}

template <typename Write> void SiteQueryProxy::post(Write write) {
    widgets::postTo(context_, [target = target_, write] { write(*target); });
}

void SiteQueryProxy::giveControlsBack() const {
    target_->setBtnQureEnabled(btnQureEnabled());
    target_->setTxtUrlEnabled(txtUrlEnabled());
}

void SiteQueryProxy::setTxtUrlText(const QString& text) {
    SiteQueryState::setTxtUrlText(text);
    post([text](query::SiteQueryView& view) { view.setTxtUrlText(text); });
}

void SiteQueryProxy::setStringGDCell(int column, int row, const QString& text) {
    SiteQueryState::setStringGDCell(column, row, text);
    post([column, row, text](query::SiteQueryView& view) {
        view.setStringGDCell(column, row, text);
    });
}

void SiteQueryProxy::setImagePRImage(std::optional<int> image) {
    SiteQueryState::setImagePRImage(image);
    post([image](query::SiteQueryView& view) { view.setImagePRImage(image); });
}

void SiteQueryProxy::setImagePRVisible(bool visible) {
    SiteQueryState::setImagePRVisible(visible);
    post([visible](query::SiteQueryView& view) { view.setImagePRVisible(visible); });
}

void SiteQueryProxy::setSouGouRankGPosition(int position) {
    SiteQueryState::setSouGouRankGPosition(position);
    post([position](query::SiteQueryView& view) { view.setSouGouRankGPosition(position); });
}

void SiteQueryProxy::setSouGouRankGVisible(bool visible) {
    SiteQueryState::setSouGouRankGVisible(visible);
    post([visible](query::SiteQueryView& view) { view.setSouGouRankGVisible(visible); });
}

void SiteQueryProxy::setLabelText(query::SiteLabel label, const QString& text) {
    SiteQueryState::setLabelText(label, text);
    post([label, text](query::SiteQueryView& view) { view.setLabelText(label, text); });
}

void SiteQueryProxy::repaintAll() {
    SiteQueryState::repaintAll();
    post([](query::SiteQueryView& view) { view.repaintAll(); });
}

void SiteQueryProxy::setOutcome(const query::SiteField& field, const query::Outcome& outcome) {
    SiteQueryState::setOutcome(field, outcome);
    post([field, outcome](query::SiteQueryView& view) { view.setOutcome(field, outcome); });
}

void SiteQueryProxy::clearOutcomes() {
    SiteQueryState::clearOutcomes();
    post([](query::SiteQueryView& view) { view.clearOutcomes(); });
}

} // namespace kelvane::app
