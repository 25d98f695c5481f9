#include "app/site_query_proxy.h"

#include "widgets/run_on_worker.h"

namespace kelvane::app {

SiteQueryProxy::SiteQueryProxy(query::SiteQueryView& target, QObject* context)
    : mirror_(query::SiteQueryState::copyOf(target)), target_(&target), context_(context) {}

template <typename Write> void SiteQueryProxy::forward(Write write) {
    write(static_cast<query::SiteQueryView&>(mirror_));
    widgets::postTo(context_, [target = target_, write] { write(*target); });
}

void SiteQueryProxy::setTxtUrlText(const QString& text) {
    forward([text](query::SiteQueryView& view) { view.setTxtUrlText(text); });
}

void SiteQueryProxy::setTxtUrlEnabled(bool enabled) {
    mirror_.setTxtUrlEnabled(enabled);
}

void SiteQueryProxy::setBtnQureEnabled(bool enabled) {
    mirror_.setBtnQureEnabled(enabled);
}

void SiteQueryProxy::giveControlsBack() const {
    target_->setBtnQureEnabled(mirror_.btnQureEnabled());
    target_->setTxtUrlEnabled(mirror_.txtUrlEnabled());
}

QString SiteQueryProxy::StringGDCell(int column, int row) const {
    return mirror_.StringGDCell(column, row);
}

void SiteQueryProxy::setStringGDCell(int column, int row, const QString& text) {
    forward([column, row, text](query::SiteQueryView& view) {
        view.setStringGDCell(column, row, text);
    });
}

void SiteQueryProxy::setImagePRImage(std::optional<int> image) {
    forward([image](query::SiteQueryView& view) { view.setImagePRImage(image); });
}

void SiteQueryProxy::setImagePRVisible(bool visible) {
    forward([visible](query::SiteQueryView& view) { view.setImagePRVisible(visible); });
}

void SiteQueryProxy::setSouGouRankGPosition(int position) {
    forward([position](query::SiteQueryView& view) { view.setSouGouRankGPosition(position); });
}

void SiteQueryProxy::setSouGouRankGVisible(bool visible) {
    forward([visible](query::SiteQueryView& view) { view.setSouGouRankGVisible(visible); });
}

QString SiteQueryProxy::labelText(query::SiteLabel label) const {
    return mirror_.labelText(label);
}

void SiteQueryProxy::setLabelText(query::SiteLabel label, const QString& text) {
    forward([label, text](query::SiteQueryView& view) { view.setLabelText(label, text); });
}

void SiteQueryProxy::repaintAll() {
    forward([](query::SiteQueryView& view) { view.repaintAll(); });
}

void SiteQueryProxy::setOutcome(const query::SiteField& field, const query::Outcome& outcome) {
    forward([field, outcome](query::SiteQueryView& view) { view.setOutcome(field, outcome); });
}

void SiteQueryProxy::clearOutcomes() {
    forward([](query::SiteQueryView& view) { view.clearOutcomes(); });
}

} // namespace kelvane::app
