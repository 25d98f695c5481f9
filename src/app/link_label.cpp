#include "app/link_label.h"

#include "app/error_report.h"
#include "platform/browser.h"
#include "platform/host_config.h"

#include <QMouseEvent>

namespace kelvane::app {

QString HomePageUrl() {
    return QStringLiteral("http://") + hosts::homeSiteHost();
}

HomePageLink::HomePageLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
}

void HomePageLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Guarded([] { browser::Open(HomePageUrl()); });
    QLabel::mouseReleaseEvent(event);
}

} // namespace kelvane::app
