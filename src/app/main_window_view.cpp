// The main window as the site query's view: what the query reads and writes, each write drawn
// at once.
#include "app/main_window.h"
#include "widgets/outcome_mark.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

namespace kelvane::app {

QLabel* TfrmMain::label(query::SiteLabel which) const {
    return labels_[static_cast<size_t>(which)];
}

QString TfrmMain::txtUrlText() const {
    return txtUrl_->currentText();
}

void TfrmMain::setTxtUrlText(const QString& text) {
    txtUrl_->setEditText(text);
    txtUrl_->repaint();
}

bool TfrmMain::txtUrlEnabled() const {
    return txtUrl_->isEnabled();
}

void TfrmMain::setTxtUrlEnabled(bool enabled) {
    txtUrl_->setEnabled(enabled);
    txtUrl_->repaint();
}

QStringList TfrmMain::txtUrlItems() const {
    QStringList items;
    for (int i = 0; i < txtUrl_->count(); ++i)
        items << txtUrl_->itemText(i);
    return items;
}

bool TfrmMain::btnQureEnabled() const {
    return btnQure_->isEnabled();
}

void TfrmMain::setBtnQureEnabled(bool enabled) {
    btnQure_->setEnabled(enabled);
    btnQure_->repaint();
}

QString TfrmMain::StringGDCell(int column, int row) const {
    const QTableWidgetItem* item = StringGD_->item(row, column);
    return item ? item->text() : QString();
}

void TfrmMain::setStringGDCell(int column, int row, const QString& text) {
    if (QTableWidgetItem* item = StringGD_->item(row, column)) {
        item->setText(text);
        StringGD_->viewport()->repaint();
    }
}

void TfrmMain::setImagePRImage(std::optional<int> image) {
    imagePRIndex_ = image && *image >= 0 && *image < imageListPR_.size() ? image : std::nullopt;
    ImagePR_->setPixmap(imagePRIndex_ ? imageListPR_[*imagePRIndex_] : QPixmap());
    ImagePR_->repaint();
}

bool TfrmMain::ImagePRVisible() const {
    return ImagePR_->isVisibleTo(ImagePR_->parentWidget());
}

void TfrmMain::setImagePRVisible(bool visible) {
    ImagePR_->setVisible(visible);
    ImagePR_->parentWidget()->repaint();
}

int TfrmMain::SouGouRankGPosition() const {
    return SouGouRankG_->value();
}

void TfrmMain::setSouGouRankGPosition(int position) {
    SouGouRankG_->setValue(std::clamp(position, 0, kGaugeMax));
    SouGouRankG_->repaint();
}

bool TfrmMain::SouGouRankGVisible() const {
    return SouGouRankG_->isVisibleTo(SouGouRankG_->parentWidget());
}

void TfrmMain::setSouGouRankGVisible(bool visible) {
    SouGouRankG_->setVisible(visible);
    SouGouRankG_->parentWidget()->repaint();
}

QString TfrmMain::labelText(query::SiteLabel which) const {
    return label(which)->text();
}

void TfrmMain::setLabelText(query::SiteLabel which, const QString& text) {
    label(which)->setText(text);
    label(which)->repaint();
}

void TfrmMain::repaintAll() {
    repaint();
}

void TfrmMain::showFieldOutcome(const query::SiteField& field, const query::Outcome* outcome) {
    switch (field.kind) {
    case query::SiteField::Kind::Cell:
        if (QTableWidgetItem* item = StringGD_->item(field.row, field.column)) {
            widgets::showOutcome(item, outcome);
            StringGD_->viewport()->repaint();
        }
        return;
    case query::SiteField::Kind::Label:
        widgets::showOutcome(label(field.label), outcome);
        return;
    case query::SiteField::Kind::PageRank:
        widgets::showOutcome(ImagePR_, outcome);
        return;
    case query::SiteField::Kind::SouGouRankG:
        widgets::showOutcome(SouGouRankG_, outcome);
        return;
    }
}

void TfrmMain::setOutcome(const query::SiteField& field, const query::Outcome& outcome) {
    outcomes_.set(field, outcome);
    showFieldOutcome(field, &outcome);
}

void TfrmMain::clearOutcomes() {
    for (const auto& entry : outcomes_.failures())
        showFieldOutcome(entry.first, nullptr);
    outcomes_.clear();
}

} // namespace kelvane::app
