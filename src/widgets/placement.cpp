#include "widgets/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace kelvane::widgets {

namespace {

// Lives on the window until its first show, then removes itself.
class FirstShowPlacement : public QObject {
public:
    FirstShowPlacement(QWidget* window, const QWidget* anchor)
        : QObject(window), window_(window), anchor_(anchor) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            window_->removeEventFilter(this);
            centreFrameOver(window_, anchor_.data());
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QPointer<const QWidget> anchor_;
};

} // namespace

void centreFrameOver(QWidget* window, const QWidget* anchor) {
    QPoint target;
    if (anchor) {
        target = anchor->frameGeometry().center();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        target = screen->availableGeometry().center();
    } else {
        return;
    }
    window->move(window->pos() + target - window->frameGeometry().center());
}

void centreOnFirstShow(QWidget* window, const QWidget* anchor) {
    new FirstShowPlacement(window, anchor);
}

} // namespace kelvane::widgets
