#include "app/about_window.h"

#include "platform/host_config.h"
#include "update/update_check.h"
#include "widgets/domain_box.h"
#include "widgets/link_label.h"
#include "widgets/product_font.h"

#include <QLabel>

namespace kelvane::app {

TfrmAbout::TfrmAbout() : QWidget(nullptr, Qt::Dialog) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral(" 关于软件"));
    setFont(widgets::productFont());
    setFixedSize(238, 150);

    auto* title = new QLabel(
        QStringLiteral("Kelvane V ") + QString::fromUtf16(update::kVersionText) + u' ', this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = widgets::productFont(12);
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
    auto* link = new widgets::HomePageLink(platform::homeSiteHost().toUpper(), this);
    link->setObjectName(QStringLiteral("lblLink"));
    link->setGeometry(130, 104, 88, 14);
}

} // namespace kelvane::app
