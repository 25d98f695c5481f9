#include "widgets/link_label.h"

#include "platform/browser.h"
#include "platform/host_config.h"
#include "widgets/error_report.h"

#include <QMouseEvent>

namespace kelvane::widgets {

QString homePageUrl() {
    return QStringLiteral("http://") + platform::homeSiteHost();
}

HomePageLink::HomePageLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
}

void HomePageLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        guarded([] { platform::openInBrowser(homePageUrl()); });
    QLabel::mouseReleaseEvent(event);
}

} // namespace kelvane::widgets
