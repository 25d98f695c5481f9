#include "store/history_window.h"

#include "platform/text_file.h"
#include "store/history_csv.h"
#include "store/history_grid.h"
#include "store/site_list.h"
#include "store/store_paths.h"
#include "widgets/domain_box.h"
#include "widgets/error_report.h"
#include "widgets/outcome_mark.h"
#include "widgets/product_font.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QTableView>

namespace kelvane::store {

namespace {

constexpr int kClientWidth = 742;
// The records' area of 481 pixels, then the chart's row and the chart.
constexpr int kClientHeight = 719;
constexpr int kItemHeight = 15;
constexpr int kRowHeight = 20;

// The list box's click: a mouse click in it, or a key that moves its selection.
class SiteListBox : public QListWidget {
public:
    explicit SiteListBox(QWidget* parent, std::function<void()> onClick)
        : QListWidget(parent), onClick_(std::move(onClick)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QListWidget::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton)
            onClick_();
    }
    void keyPressEvent(QKeyEvent* event) override {
        const int before = currentRow();
        QListWidget::keyPressEvent(event);
        if (currentRow() != before)
            onClick_();
    }

private:
    std::function<void()> onClick_;
};

// The grid's top-left cell, "序号", sits on the corner where the two headers meet.
class CornerTitle : public QObject {
public:
    CornerTitle(QAbstractButton* corner, const HistoryGrid* grid) : QObject(corner), grid_(grid) {
        corner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        auto* corner = static_cast<QWidget*>(watched);
        QStyleOptionHeader option;
        option.initFrom(corner);
        option.rect = corner->rect();
        option.text = grid_->cell(0, 0);
        option.textAlignment = Qt::AlignCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        QPainter painter(corner);
        corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
        return true;
    }

private:
    const HistoryGrid* grid_;
};

} // namespace

TfrmJilu::TfrmJilu() : QWidget(nullptr, Qt::Dialog) {
    FormCreate();
}

TfrmJilu::~TfrmJilu() = default;

void TfrmJilu::FormCreate() {
    setObjectName(QStringLiteral("frmJilu"));
    setWindowTitle(QStringLiteral(" 查询记录"));
    setFont(widgets::productFont());
    setFixedSize(kClientWidth, kClientHeight);
    chooseSaveFile_ = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("导出 CSV"), suggested,
                                            QStringLiteral("CSV (*.csv)"));
    };

    urlList_ = new SiteListBox(this, [this] { urlListListBoxClick(); });
    urlList_->setObjectName(QStringLiteral("urlList"));
    urlList_->setGeometry(8, 8, 161, 465);
    urlList_->setSelectionMode(QAbstractItemView::SingleSelection);
    urlList_->setSortingEnabled(false);
    urlList_->setUniformItemSizes(true);

    grid_ = new HistoryGrid(this);
    sgLishi_ = new QTableView(this);
    sgLishi_->setObjectName(QStringLiteral("sgLishi"));
    // The grid with its two scroll bars, which sit inside its frame.
    sgLishi_->setGeometry(175, 8, 561, 467);
    sgLishi_->setModel(grid_);
    sgLishi_->setItemDelegate(new widgets::OutcomeMarkDelegate(sgLishi_));
    sgLishi_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgLishi_->setSelectionMode(QAbstractItemView::SingleSelection);
    sgLishi_->setWordWrap(false);
    sgLishi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sgLishi_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QHeaderView* titles = sgLishi_->horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Fixed);
    titles->setFixedHeight(kRowHeight);
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    QHeaderView* numbers = sgLishi_->verticalHeader();
    numbers->setSectionResizeMode(QHeaderView::Fixed);
    numbers->setDefaultSectionSize(kRowHeight);
    numbers->setMinimumSectionSize(kRowHeight);
    numbers->setFixedWidth(kHistoryColumns[0].width);
    numbers->setDefaultAlignment(Qt::AlignCenter);
    numbers->setSectionsClickable(false);
    numbers->setHighlightSections(false);
    for (int column = 1; column < kHistoryGridColumns; ++column)
        sgLishi_->setColumnWidth(column - 1, kHistoryColumns[size_t(column)].width);
    if (auto* corner = sgLishi_->findChild<QAbstractButton*>())
        new CornerTitle(corner, grid_);

    auto* chartCaption = new QLabel(QStringLiteral("走势图："), this);
    chartCaption->setGeometry(8, 483, 52, 20);
    cbChart_ = new QComboBox(this);
    cbChart_->setObjectName(QStringLiteral("cbChart"));
    cbChart_->setGeometry(60, 482, 110, 22);
    btnExport_ = new QPushButton(QStringLiteral("导出 CSV"), this);
    btnExport_->setObjectName(QStringLiteral("btnExport"));
    btnExport_->setGeometry(656, 481, 80, 24);
    btnExport_->setEnabled(false);
    connect(btnExport_, &QPushButton::clicked, this, [this] { btnExportClick(); });
    chart_ = new HistoryChartView(this);
    chart_->setObjectName(QStringLiteral("chartLishi"));
    chart_->setGeometry(8, 509, 728, 202);
    showChart({});
    for (const HistoryMetric& metric : chart_->data().metrics)
        cbChart_->addItem(metric.title);
    connect(cbChart_, &QComboBox::currentIndexChanged, this,
            [this](int index) { chart_->setMetric(index); });

    widgets::guarded([this] {
        if (platform::isFile(siteListPath()))
            fillSiteList(ReadSiteList());
    });
    chushihua();
}

void TfrmJilu::chushihua() {
    grid_->chushihua();
}

void TfrmJilu::clearStringGrid() {
    grid_->clearStringGrid();
}

void TfrmJilu::urlListListBoxClick() {
    widgets::guarded([this] {
        // The chart and the export follow the grid: whatever the click ends with, they show
        // the records it placed, or none.
        shownSite_.reset();
        shownRecords_.clear();
        const QList<QListWidgetItem*> selected = urlList_->selectedItems();
        const std::optional<QString> domain =
            selected.isEmpty() ? std::nullopt : std::optional<QString>(selected.front()->text());
        std::optional<QList<QStringList>> records = ShowSiteHistory(*grid_, domain);
        if (records) {
            shownSite_ = domain;
            shownRecords_ = std::move(*records);
        }
        showChart(shownRecords_);
        btnExport_->setEnabled(shownSite_.has_value());
    });
}

void TfrmJilu::showChart(const QList<QStringList>& records) {
    chart_->setData(HistoryChart(records));
}

void TfrmJilu::FormActivate() {
    activationFailure_.run([this] {
        // Emptied first: a list that cannot be read leaves nothing stale. The grid stays.
        urlList_->clear();
        fillSiteList(ReadSiteList());
    });
}

void TfrmJilu::fillSiteList(const QStringList& entries) {
    urlList_->clear();
    for (const QString& entry : entries) {
        auto* item = new QListWidgetItem(entry, urlList_);
        item->setSizeHint(QSize(0, kItemHeight));
    }
}

void TfrmJilu::btnExportClick() {
    widgets::guarded([this] {
        if (!shownSite_)
            return;
        const QString suggested = QDir::current().filePath(*shownSite_ + QStringLiteral(".csv"));
        const QString path = chooseSaveFile_(this, suggested);
        if (path.isEmpty())
            return;
        platform::writeFileAtomically(path, HistoryCsv(shownRecords_));
    });
}

void TfrmJilu::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QWidget::changeEvent(event);
}

} // namespace kelvane::store
