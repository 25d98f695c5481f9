#pragma once

#include "query/site_query_options.h"
#include "query/site_query_view.h"
#include "widgets/error_report.h"
#include "widgets/run_on_worker.h"

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSystemTrayIcon;
class QTableWidget;
class QToolButton;

namespace kelvane::app {

// The main window: the one-button site query, the toolbar of the other windows and the tray
// icon that keeps the program alive while the window is hidden.
class TfrmMain : public QWidget, public query::SiteQueryView {
    Q_OBJECT

public:
    TfrmMain();
    ~TfrmMain() override;

    // Starts the query on a worker thread; siteQueryFinished() follows once it has ended and
    // every result is shown (at once when the domain is refused).
    void btnQureClick();
    // Esc: the values not yet had are marked stopped and no history record is written.
    void stopSiteQuery();
    void ibtnGuanWangClick();
    void StringGDDblClick();
    void FormActivate();
    // Closing only puts the window away; it then checks for a newer published version on a
    // worker thread (updateCheckFinished() follows; a close during a check asks nothing more).
    void FormCloseQuery();

    // The tray menu.
    void N6Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void N10Click();

    QSystemTrayIcon* trayIcon() const { return tray_; }
    const QList<QPixmap>& ImageListPR() const { return imageListPR_; }
    const query::SiteQueryOptions& options() const { return options_; }

    // SiteQueryView: every write is painted at once.
    QString txtUrlText() const override;
    void setTxtUrlText(const QString& text) override;
    bool txtUrlEnabled() const override;
    void setTxtUrlEnabled(bool enabled) override;
    QStringList txtUrlItems() const override;
    bool btnQureEnabled() const override;
    void setBtnQureEnabled(bool enabled) override;
    QString StringGDCell(int column, int row) const override;
    void setStringGDCell(int column, int row, const QString& text) override;
    std::optional<int> ImagePRImage() const override { return imagePRIndex_; }
    void setImagePRImage(std::optional<int> image) override;
    bool ImagePRVisible() const override;
    void setImagePRVisible(bool visible) override;
    int SouGouRankGPosition() const override;
    void setSouGouRankGPosition(int position) override;
    bool SouGouRankGVisible() const override;
    void setSouGouRankGVisible(bool visible) override;
    QString labelText(query::SiteLabel label) const override;
    void setLabelText(query::SiteLabel label, const QString& text) override;
    void repaintAll() override;
    void setOutcome(const query::SiteField& field, const query::Outcome& outcome) override;
    void clearOutcomes() override;
    const query::SiteOutcomes& outcomes() const override { return outcomes_; }

Q_SIGNALS:
    void siteQueryFinished();
    void updateCheckFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void buildToolbar();
    void buildRankPanel();
    void buildQueryRow();
    void buildOptionsPanel();
    void buildGrid();
    void buildSnapshotPanels();
    QLabel* addResultLabel(query::SiteLabel which, QWidget* panel, const QRect& place);
    void buildFooter();
    void buildTray();
    // Into the tray icon, or onto the taskbar when the desktop has no notification area.
    void putAway();
    void reloadSiteList(const QStringList& entries);
    QLabel* label(query::SiteLabel which) const;
    void showFieldOutcome(const query::SiteField& field, const query::Outcome* outcome);

    query::SiteQueryOptions options_;
    QList<QPixmap> imageListPR_;
    std::optional<int> imagePRIndex_;
    query::SiteOutcomes outcomes_;
    widgets::LastingFailureReport activationFailure_;

    QComboBox* txtUrl_ = nullptr;
    QPushButton* btnQure_ = nullptr;
    QTableWidget* StringGD_ = nullptr;
    QLabel* ImagePR_ = nullptr;
    QProgressBar* SouGouRankG_ = nullptr;
    std::array<QLabel*, 6> labels_{};
    QSystemTrayIcon* tray_ = nullptr;
    // Last: it waits for the query, which reads options_, before anything else goes.
    widgets::WorkerRun queryRun_{this};
    widgets::WorkerRun updateRun_{this};
};

} // namespace kelvane::app
