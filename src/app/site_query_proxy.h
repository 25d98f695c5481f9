#pragma once

#include "query/site_query_state.h"

class QObject;

namespace kelvane::app {

// The main window as a query on a worker thread sees it. Reads answer from the state it holds:
// a copy of the window taken when the run begins, kept up to date by the run's own writes (the
// controls the run reads are disabled while it lasts). Every write is also queued onto the
// window's thread, in order, so the window alone touches its widgets and no call ever waits for
// it. The query button and the domain box are the exception: the window gives them back itself
// when the end of the run arrives (giveControlsBack), so no press can fall between the last
// write and the end.
class SiteQueryProxy : public query::SiteQueryState {
public:
    // Made on the window's thread; target and context are the window.
    SiteQueryProxy(query::SiteQueryView& target, QObject* context);

    void setTxtUrlText(const QString& text) override;
    void setStringGDCell(int column, int row, const QString& text) override;
    void setImagePRImage(std::optional<int> image) override;
    void setImagePRVisible(bool visible) override;
    void setSouGouRankGPosition(int position) override;
    void setSouGouRankGVisible(bool visible) override;
    void setLabelText(query::SiteLabel label, const QString& text) override;
    void repaintAll() override;
    void setOutcome(const query::SiteField& field, const query::Outcome& outcome) override;
    void clearOutcomes() override;

    // On the window's thread, once the run has ended: the controls as the run left them.
    void giveControlsBack() const;

private:
    // Queues the write onto the window's thread; the state has taken it already.
    template <typename Write> void post(Write write);

    query::SiteQueryView* target_;
    QObject* context_;
};

} // namespace kelvane::app
