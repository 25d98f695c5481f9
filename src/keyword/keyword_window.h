#pragma once

#include "keyword/keyword_rank_view.h"
#include "query/site_query_options.h"
#include "widgets/run_on_worker.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace kelvane::keyword {

// The keyword ranking window: a site's position under a keyword in the ticked engines.
class TfrmKeyWord : public QWidget, public KeywordRankView {
    Q_OBJECT

public:
    TfrmKeyWord();

    void FormCreate();
    // Starts the searches on a worker thread; keywordRankFinished() follows once they have
    // ended and every result is shown. Esc stops them.
    void btnCXClick();
    void btnMDClick() {}
    // The small button of an engine: its last result page in the browser.
    void sbClick(query::EngineId engine);

    QString lastUrl(query::EngineId engine) const { return lastUrl_[static_cast<size_t>(engine)]; }

    // KeywordRankView.
    QString txtUrlText() const override;
    QString txtKeywordText() const override;
    int seStartValue() const override;
    int seEndValue() const override;
    bool engineTicked(query::EngineId engine) const override;
    void setBtnCXEnabled(bool enabled) override;
    void clear() override;
    void setResultText(query::EngineId engine, const QString& text) override;
    void searchDone(query::EngineId engine, const RankSearchResult& result) override;

Q_SIGNALS:
    void keywordRankFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The spin value as decimal text in D2I, then parsed back as a whole number.
    int wholeNumber(const QSpinBox* spin) const;

    QComboBox* txtUrl_ = nullptr;
    QLineEdit* txtKeyword_ = nullptr;
    QPushButton* btnCX_ = nullptr;
    QSpinBox* seStart_ = nullptr;
    QSpinBox* seEnd_ = nullptr;
    QLineEdit* D2I_ = nullptr;
    std::array<QCheckBox*, query::kEngineCount> checks_{};
    std::array<QLineEdit*, query::kEngineCount> results_{};
    std::array<QToolButton*, query::kEngineCount> smallButtons_{};
    std::array<QString, query::kEngineCount> lastUrl_{};
    // The check boxes' ticks, which a search on the worker reads when it reaches each engine.
    std::array<query::Tick, query::kEngineCount> ticks_{};
    // Last: it waits for the search, which reads ticks_, before anything else goes.
    widgets::WorkerRun searchRun_{this};
};

} // namespace kelvane::keyword
