#include "store/history_window.h"

#include "app/app_font.h"
#include "app/domain_box.h"
#include "app/error_report.h"
#include "platform/text_file.h"
#include "store/history_csv.h"
#include "store/history_grid.h"
#include "store/site_list.h"
#include "store/store_paths.h"

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
#include <QPainterPath>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QTableView>
#include <algorithm>
#include <cmath>
#include <iterator>

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

// Axis labels in the units Chinese webmasters read counts in.
QString compactNumber(double value) {
    const double magnitude = std::abs(value);
    if (magnitude >= 1e8)
        return QString::number(value / 1e8, 'g', 3) + QStringLiteral("亿");
    if (magnitude >= 1e4)
        return QString::number(value / 1e4, 'g', 3) + QStringLiteral("万");
    return QString::number(value, 'g', 4);
}

constexpr QRgb kLineColours[] = {0x2f6fd6, 0xd64541, 0x7b3fbf, 0xe08a00,
                                 0x1f9e89, 0xc2188b, 0x4f8a10};

} // namespace

HistoryChartView::HistoryChartView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

void HistoryChartView::setData(HistoryChartData data) {
    data_ = std::move(data);
    update();
}

void HistoryChartView::setMetric(int metric) {
    metric_ = metric;
    update();
}

void HistoryChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const bool hasMetric = metric_ >= 0 && metric_ < data_.metrics.size();
    const HistoryMetric empty;
    const HistoryMetric& shown = hasMetric ? data_.metrics[metric_] : empty;
    const bool legend = shown.lines.size() > 1;
    const QRect plot = rect().adjusted(64, 10, legend ? -70 : -12, -2 * metrics.height() - 6);

    auto axisValue = [&](double v) { return shown.logarithmic ? std::log10(v + 1) : v; };
    double low = 0;
    double high = 0;
    bool any = false;
    for (const HistoryLine& line : shown.lines)
        for (const std::optional<double>& v : line.values)
            if (v) {
                const double a = axisValue(*v);
                low = any ? std::min(low, a) : a;
                high = any ? std::max(high, a) : a;
                any = true;
            }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot);
    if (!any) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("无数据"));
        return;
    }
    if (shown.logarithmic) {
        // Room above the top power of ten, which lies at log10(10^n + 1).
        low = std::floor(low);
        high = std::max(std::ceil(high), low + 1) + 0.05;
    } else if (high - low < 1) {
        low -= 0.5;
        high += 0.5;
    }
    auto y = [&](double a) {
        const double t = (a - low) / (high - low);
        return shown.inverted ? plot.top() + t * plot.height() : plot.bottom() - t * plot.height();
    };
    const qsizetype points = data_.stamps.size();
    auto x = [&](qsizetype i) {
        return points < 2 ? plot.center().x()
                          : plot.left() + double(i) * plot.width() / double(points - 1);
    };

    // Horizontal rules: zero and each power of ten on a logarithmic axis, else five even steps.
    QList<double> ticks;
    if (shown.logarithmic) {
        for (double power = low; power <= high; ++power)
            ticks.append(power == 0 ? 0 : std::pow(10.0, power));
    } else {
        for (int step = 0; step <= 4; ++step)
            ticks.append(low + (high - low) * step / 4);
    }
    for (const double value : ticks) {
        const int at = int(std::lround(y(axisValue(value))));
        painter.setPen(QColor(0xe4e4e4));
        painter.drawLine(plot.left() + 1, at, plot.right() - 1, at);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, at - metrics.height() / 2, plot.left() - 4, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, compactNumber(value));
    }

    // The query times under the axis: the first, the last and, with room, the middle one.
    painter.setPen(palette().color(QPalette::WindowText));
    const int labelTop = plot.bottom() + 4;
    const QList<qsizetype> labelled =
        points < 3 ? QList<qsizetype>{0, points - 1} : QList<qsizetype>{0, points / 2, points - 1};
    for (qsizetype i : labelled) {
        const QString stamp = data_.stamps[i];
        const int width = metrics.horizontalAdvance(stamp);
        const int left = std::clamp(int(x(i)) - width / 2, 0, this->width() - width);
        painter.drawText(QRect(left, labelTop, width, metrics.height()), Qt::AlignCenter, stamp);
    }
    painter.drawText(
        QRect(plot.left(), labelTop + metrics.height(), plot.width(), metrics.height()),
        Qt::AlignCenter, shown.title);

    for (qsizetype l = 0; l < shown.lines.size(); ++l) {
        const HistoryLine& line = shown.lines[l];
        const QColor colour(kLineColours[size_t(l) % std::size(kLineColours)]);
        QPainterPath path;
        bool open = false;
        for (qsizetype i = 0; i < line.values.size(); ++i) {
            const std::optional<double>& v = line.values[i];
            if (!v) {
                open = false;
                continue;
            }
            const QPointF point(x(i), y(axisValue(*v)));
            const bool before = i > 0 && line.values[i - 1];
            const bool after = i + 1 < line.values.size() && line.values[i + 1];
            if (open)
                path.lineTo(point);
            else
                path.moveTo(point);
            open = true;
            if (!before && !after)
                path.addEllipse(point, 2, 2);
        }
        painter.setPen(QPen(colour, 1.5));
        painter.drawPath(path);
        if (legend) {
            const int top = plot.top() + int(l) * (metrics.height() + 2);
            painter.drawLine(plot.right() + 8, top + metrics.height() / 2, plot.right() + 24,
                             top + metrics.height() / 2);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(plot.right() + 28, top + metrics.ascent(), line.name);
        }
    }
}

TfrmJilu::TfrmJilu() : QWidget(nullptr, Qt::Dialog) {
    FormCreate();
}

TfrmJilu::~TfrmJilu() = default;

void TfrmJilu::FormCreate() {
    setObjectName(QStringLiteral("frmJilu"));
    setWindowTitle(QStringLiteral(" 查询记录"));
    setFont(app::ProductFont());
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

    app::Guarded([this] {
        if (textfile::isFile(siteListPath()))
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
    app::Guarded([this] {
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
    activationFailure_.Run([this] {
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
    app::Guarded([this] {
        if (!shownSite_)
            return;
        const QString suggested = QDir::current().filePath(*shownSite_ + QStringLiteral(".csv"));
        const QString path = chooseSaveFile_(this, suggested);
        if (path.isEmpty())
            return;
        textfile::writeFileAtomically(path, HistoryCsv(shownRecords_));
    });
}

void TfrmJilu::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QWidget::changeEvent(event);
}

void TfrmJilu::showEvent(QShowEvent* event) {
    // Centred over the main window the first time it is shown.
    if (!placed_) {
        placed_ = true;
        app::CentreOverMainWindow(this);
    }
    QWidget::showEvent(event);
}

} // namespace kelvane::store
