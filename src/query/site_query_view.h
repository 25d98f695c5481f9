#pragma once

#include "query/site_label.h"
#include "query/site_outcomes.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace kelvane::query {

// What the site query reads and writes, named after the controls the main window binds to it.
// A window, the console front end and a test each implement it; every write is shown at once.
class SiteQueryView {
public:
    static constexpr int kGridColumns = 8;
    static constexpr int kGridRows = 3;
    // The images of ImageListPR: the PageRank bars 0 to 10.
    static constexpr int kPageRankImages = 11;
    static constexpr int kGaugeMax = 100;

    virtual ~SiteQueryView() = default;

    // txtUrl: the domain box and its list (the user's site list).
    virtual QString txtUrlText() const = 0;
    virtual void setTxtUrlText(const QString& text) = 0;
    virtual bool txtUrlEnabled() const = 0;
    virtual void setTxtUrlEnabled(bool enabled) = 0;
    virtual QStringList txtUrlItems() const = 0;

    // btnQure: the query button.
    virtual bool btnQureEnabled() const = 0;
    virtual void setBtnQureEnabled(bool enabled) = 0;

    // StringGD: cell [column, row], 8 columns by 3 rows.
    virtual QString StringGDCell(int column, int row) const = 0;
    virtual void setStringGDCell(int column, int row, const QString& text) = 0;

    // ImagePR: the image of ImageListPR it shows, or none.
    virtual std::optional<int> ImagePRImage() const = 0;
    virtual void setImagePRImage(std::optional<int> image) = 0;
    virtual bool ImagePRVisible() const = 0;
    virtual void setImagePRVisible(bool visible) = 0;

    // SouGouRankG: the gauge, 0 to 100; it keeps the clamped value.
    virtual int SouGouRankGPosition() const = 0;
    virtual void setSouGouRankGPosition(int position) = 0;
    virtual bool SouGouRankGVisible() const = 0;
    virtual void setSouGouRankGVisible(bool visible) = 0;

    virtual QString labelText(SiteLabel label) const = 0;
    virtual void setLabelText(SiteLabel label, const QString& text) = 0;

    // Repaints the whole view now.
    virtual void repaintAll() = 0;

    // Why each filled field holds what it holds; shown beside the value.
    virtual void setOutcome(const SiteField& field, const Outcome& outcome) = 0;
    virtual void clearOutcomes() = 0;
    virtual const SiteOutcomes& outcomes() const = 0;
};

} // namespace kelvane::query
