#include "query/site_query_state.h"

#include <algorithm>

namespace kelvane::query {

namespace {
bool inGrid(int column, int row) {
    return column >= 0 && column < SiteQueryView::kGridColumns && row >= 0 &&
           row < SiteQueryView::kGridRows;
}
} // namespace

SiteQueryState SiteQueryState::copyOf(const SiteQueryView& view) {
    SiteQueryState state;
    state.txtUrl = view.txtUrlText();
    state.txtUrlIsEnabled = view.txtUrlEnabled();
    state.txtUrlList = view.txtUrlItems();
    state.btnQureIsEnabled = view.btnQureEnabled();
    for (int column = 0; column < kGridColumns; ++column) {
        for (int row = 0; row < kGridRows; ++row)
            state.StringGD[column][row] = view.StringGDCell(column, row);
    }
    state.ImagePR = view.ImagePRImage();
    state.ImagePRIsVisible = view.ImagePRVisible();
    state.SouGouRankG = view.SouGouRankGPosition();
    state.SouGouRankGIsVisible = view.SouGouRankGVisible();
    for (size_t i = 0; i < state.labels.size(); ++i)
        state.labels[i] = view.labelText(static_cast<SiteLabel>(i));
    state.outcomeList = view.outcomes();
    return state;
}

QString SiteQueryState::StringGDCell(int column, int row) const {
    return inGrid(column, row) ? StringGD[column][row] : QString();
}

void SiteQueryState::setStringGDCell(int column, int row, const QString& text) {
    if (inGrid(column, row))
        StringGD[column][row] = text;
}

void SiteQueryState::setSouGouRankGPosition(int position) {
    SouGouRankG = std::clamp(position, 0, kGaugeMax);
}

QString SiteQueryState::labelText(SiteLabel label) const {
    return labels[static_cast<size_t>(label)];
}

void SiteQueryState::setLabelText(SiteLabel label, const QString& text) {
    labels[static_cast<size_t>(label)] = text;
}

} // namespace kelvane::query
