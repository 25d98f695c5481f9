#include "app/update_window.h"

#include "platform/host_config.h"
#include "widgets/link_label.h"
#include "widgets/product_font.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kelvane::app {

TfrmUpdate::TfrmUpdate() : QWidget(nullptr, Qt::Dialog) {
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral(" Kelvane"));
    setFont(widgets::productFont());
    setFixedSize(195, 127);

    auto* message = new QLabel(QStringLiteral("软件有更新请下载最新版"), this);
    message->setObjectName(QStringLiteral("lblMessage"));
    message->setFont(widgets::productFont(10));
    message->setGeometry(24, 32, 165, 16);
    auto* site = new QLabel(QStringLiteral("官方网址："), this);
    site->move(24, 88);
    site->adjustSize();
    auto* link = new widgets::HomePageLink(platform::homeSiteHost(), this);
    link->setObjectName(QStringLiteral("lblLink"));
    link->setGeometry(90, 85, 102, 21);

    // Right edge 30 pixels inside the screen's, bottom edge 40 pixels above its bottom: the
    // whole screen, not the work area.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect whole = screen->geometry();
        move(whole.right() + 1 - 30 - width(), whole.bottom() + 1 - 40 - height());
    }
}

} // namespace kelvane::app
