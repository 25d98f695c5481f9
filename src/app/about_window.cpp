#include "app/about_window.h"

#include "app/app_font.h"
#include "app/domain_box.h"
#include "app/link_label.h"
#include "platform/host_config.h"
#include "update/update_check.h"

#include <QLabel>

namespace kelvane::app {

TfrmAbout::TfrmAbout() : QWidget(nullptr, Qt::Dialog) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral(" 关于软件"));
    setFont(ProductFont());
    setFixedSize(238, 150);

    auto* title = new QLabel(
        QStringLiteral("Kelvane V ") + QString::fromUtf16(update::kVersionText) + u' ', this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = ProductFont(12);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("color: blue"));
    title->move(64, 16);
    title->adjustSize();

    auto* author = new QLabel(QStringLiteral("作者：Kelvane 开发团队"), this);
    author->setObjectName(QStringLiteral("lblAuthor"));
    author->move(40, 48);
    author->adjustSize();
    auto* contact = new QLabel(QStringLiteral("联系：请访问官方网站"), this);
    contact->setObjectName(QStringLiteral("lblContact"));
    contact->move(40, 70);
    contact->adjustSize();

    auto* site = new QLabel(QStringLiteral("官方网址："), this);
    site->move(64, 104);
    site->adjustSize();
    auto* link = new HomePageLink(hosts::homeSiteHost().toUpper(), this);
    link->setObjectName(QStringLiteral("lblLink"));
    link->setGeometry(130, 104, 88, 14);
}

void TfrmAbout::showEvent(QShowEvent* event) {
    // Centred over the main window the first time it is shown.
    if (!placed_) {
        placed_ = true;
        CentreOverMainWindow(this);
    }
    QWidget::showEvent(event);
}

} // namespace kelvane::app
