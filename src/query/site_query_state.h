#pragma once

#include "query/site_query_view.h"

#include <array>

namespace kelvane::query {

// A view held in memory: the console front end prints it, tests inspect it.
class SiteQueryState : public SiteQueryView {
public:
    // Everything the view shows now, as a state of its own.
    static SiteQueryState copyOf(const SiteQueryView& view);

    QString txtUrl;
    bool txtUrlIsEnabled = true;
    QStringList txtUrlList;
    bool btnQureIsEnabled = true;
    std::array<std::array<QString, kGridRows>, kGridColumns> StringGD{};
    std::optional<int> ImagePR;
    bool ImagePRIsVisible = true;
    int SouGouRankG = 0;
    bool SouGouRankGIsVisible = false;
    std::array<QString, 6> labels{};
    int repaints = 0;
    SiteOutcomes outcomeList;

    QString txtUrlText() const override { return txtUrl; }
    void setTxtUrlText(const QString& text) override { txtUrl = text; }
    bool txtUrlEnabled() const override { return txtUrlIsEnabled; }
    void setTxtUrlEnabled(bool enabled) override { txtUrlIsEnabled = enabled; }
    QStringList txtUrlItems() const override { return txtUrlList; }
    bool btnQureEnabled() const override { return btnQureIsEnabled; }
    void setBtnQureEnabled(bool enabled) override { btnQureIsEnabled = enabled; }
    QString StringGDCell(int column, int row) const override;
    void setStringGDCell(int column, int row, const QString& text) override;
    std::optional<int> ImagePRImage() const override { return ImagePR; }
    void setImagePRImage(std::optional<int> image) override { ImagePR = image; }
    bool ImagePRVisible() const override { return ImagePRIsVisible; }
    void setImagePRVisible(bool visible) override { ImagePRIsVisible = visible; }
    int SouGouRankGPosition() const override { return SouGouRankG; }
    void setSouGouRankGPosition(int position) override;
    bool SouGouRankGVisible() const override { return SouGouRankGIsVisible; }
    void setSouGouRankGVisible(bool visible) override { SouGouRankGIsVisible = visible; }
    QString labelText(SiteLabel label) const override;
    void setLabelText(SiteLabel label, const QString& text) override;
    void repaintAll() override { ++repaints; }
    void setOutcome(const SiteField& field, const Outcome& outcome) override {
        outcomeList.set(field, outcome);
    }
    void clearOutcomes() override { outcomeList.clear(); }
    const SiteOutcomes& outcomes() const override { return outcomeList; }
};

} // namespace kelvane::query
