#include "store/history_chart_widget.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace kelvane::store {

namespace {

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

} // namespace kelvane::store
