#pragma once

#include "query/site_query_state.h"

class QObject;

namespace kelvane::app {

// The main window as a query on a worker thread sees it. Reads answer from a copy of the window
// taken when the run begins and kept up to date by the run's own writes (the controls the run
// reads are disabled while it lasts); every write is also queued onto the window's thread, in
// order, so the window alone touches its widgets and no call ever waits for it. The query
// button and the domain box are the exception: the window gives them back itself when the end
// of the run arrives (giveControlsBack), so no press can fall between the last write and the end.
class SiteQueryProxy : public query::SiteQueryView {
public:
    // Made on the window's thread; target and context are the window.
    SiteQueryProxy(query::SiteQueryView& target, QObject* context);

    QString txtUrlText() const override { return mirror_.txtUrlText(); }
    void setTxtUrlText(const QString& text) override;
    bool txtUrlEnabled() const override { return mirror_.txtUrlEnabled(); }
    void setTxtUrlEnabled(bool enabled) override;
    QStringList txtUrlItems() const override { return mirror_.txtUrlItems(); }
    bool btnQureEnabled() const override { return mirror_.btnQureEnabled(); }
    void setBtnQureEnabled(bool enabled) override;
    QString StringGDCell(int column, int row) const override;
    void setStringGDCell(int column, int row, const QString& text) override;
    std::optional<int> ImagePRImage() const override { return mirror_.ImagePRImage(); }
    void setImagePRImage(std::optional<int> image) override;
    bool ImagePRVisible() const override { return mirror_.ImagePRVisible(); }
    void setImagePRVisible(bool visible) override;
    int SouGouRankGPosition() const override { return mirror_.SouGouRankGPosition(); }
    void setSouGouRankGPosition(int position) override;
    bool SouGouRankGVisible() const override { return mirror_.SouGouRankGVisible(); }
    void setSouGouRankGVisible(bool visible) override;
    QString labelText(query::SiteLabel label) const override;
    void setLabelText(query::SiteLabel label, const QString& text) override;
    void repaintAll() override;
    void setOutcome(const query::SiteField& field, const query::Outcome& outcome) override;
    void clearOutcomes() override;
    const query::SiteOutcomes& outcomes() const override { return mirror_.outcomes(); }

    // On the window's thread, once the run has ended: the controls as the run left them.
    void giveControlsBack() const;

private:
    // Applies a write to the copy now and to the window on its thread.
    template <typename Write> void forward(Write write);

    query::SiteQueryState mirror_;
    query::SiteQueryView* target_;
    QObject* context_;
};

} // namespace kelvane::app
