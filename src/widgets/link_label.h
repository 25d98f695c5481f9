#pragma once

#include <QLabel>

namespace kelvane::widgets {

// An underlined label with a hand cursor that opens the product's home page when clicked.
class HomePageLink : public QLabel {
public:
    HomePageLink(const QString& text, QWidget* parent);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// "http://" and the product's site, with no path.
QString homePageUrl();

} // namespace kelvane::widgets
