#include "app/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace kelvane::app {

namespace {

const QColor kGreen(0x2E, 0x9E, 0x3A);

QPixmap canvas(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A rounded tile with a short mark on it: enough to tell the eight buttons apart.
QIcon tile(const QColor& color, const QString& mark) {
    QPixmap pixmap = canvas(31, 31);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 31);
    gradient.setColorAt(0, color.lighter(140));
    gradient.setColorAt(1, color.darker(120));
    painter.setBrush(gradient);
    painter.setPen(color.darker(150));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 28, 28), 6, 6);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(mark.size() > 1 ? 10 : 15);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 31, 31), Qt::AlignCenter, mark);
    return QIcon(pixmap);
}

// A coloured disc with a white mark drawn by the caller on a 32-pixel grid.
template <typename Mark> QIcon disc(const QColor& color, Mark mark) {
    QPixmap pixmap = canvas(32, 32);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    painter.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    mark(painter);
    return QIcon(pixmap);
}

} // namespace

QIcon DrawMenuPicture(MenuPicture picture) {
    switch (picture) {
    case MenuPicture::Open:
        return DrawTrayIcon();
    case MenuPicture::Site:
        return DrawToolPicture(ToolPicture::Site);
    case MenuPicture::About:
        return DrawToolPicture(ToolPicture::About);
    case MenuPicture::Upgrade:
        return disc(QColor(0x2C, 0x7F, 0xD0), [](QPainter& p) {
            p.drawLine(QPointF(16, 24), QPointF(16, 9));
            p.drawPolyline(QPolygonF({QPointF(10, 15), QPointF(16, 9), QPointF(22, 15)}));
        });
    case MenuPicture::Exit:
        return disc(QColor(0xC8, 0x3C, 0x3C), [](QPainter& p) {
            p.drawLine(QPointF(11, 11), QPointF(21, 21));
            p.drawLine(QPointF(21, 11), QPointF(11, 21));
        });
    }
    return {};
}

QList<QPixmap> DrawPageRankBars() {
    QList<QPixmap> bars;
    for (int value = 0; value <= 10; ++value) {
        QPixmap bar = canvas(70, 16);
        QPainter painter(&bar);
        painter.fillRect(QRect(0, 1, 14, 14), kGreen);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(0, 1, 14, 14), Qt::AlignCenter, QString::number(value));
        const QRect track(16, 4, 50, 8);
        painter.setPen(QColor(0x88, 0x88, 0x88));
        painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
        painter.drawRect(track.adjusted(0, 0, -1, -1));
        painter.fillRect(QRect(track.left() + 1, track.top() + 1, (track.width() - 2) * value / 10,
                               track.height() - 2),
                         kGreen);
        bars << bar;
    }
    return bars;
}

QIcon DrawToolPicture(ToolPicture picture) {
    switch (picture) {
    case ToolPicture::ManageSite:
        return tile(QColor(0x3A, 0x6E, 0xC8), QStringLiteral("站"));
    case ToolPicture::History:
        return tile(QColor(0x8A, 0x5C, 0xC0), QStringLiteral("记"));
    case ToolPicture::Whois:
        return tile(QColor(0x2E, 0x8B, 0x8B), QStringLiteral("域"));
    case ToolPicture::Ip:
        return tile(QColor(0x33, 0x99, 0x55), QStringLiteral("IP"));
    case ToolPicture::Ranking:
        return tile(QColor(0xD0, 0x7A, 0x20), QStringLiteral("排"));
    case ToolPicture::Mail:
        return tile(QColor(0xC8, 0x3C, 0x3C), QStringLiteral("邮"));
    case ToolPicture::Site:
        return tile(QColor(0x2C, 0x5A, 0x9E), QStringLiteral("官"));
    case ToolPicture::About:
        return tile(QColor(0x6A, 0x6A, 0x6A), QStringLiteral("?"));
    }
    return {};
}

QIcon DrawTrayIcon() {
    QPixmap pixmap = canvas(32, 32);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(kGreen);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLine(QPointF(11, 8), QPointF(11, 24));
    painter.drawLine(QPointF(11, 16), QPointF(21, 8));
    painter.drawLine(QPointF(13, 15), QPointF(21, 24));
    return QIcon(pixmap);
}

QPixmap DrawDecoration(int variant) {
    QPixmap pixmap = canvas(165, 107);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath hills;
    hills.moveTo(0, 107);
    for (int x = 0; x <= 165; x += 15)
        hills.lineTo(x, 80 - 12 * ((x / 15 + variant) % 3));
    hills.lineTo(165, 107);
    hills.closeSubpath();
    painter.fillPath(hills, QColor(0xDD, 0xEE, 0xDD, 120));
    return pixmap;
}

} // namespace kelvane::app
