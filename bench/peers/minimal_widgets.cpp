// The peer of the start-up measurement: the least a Qt Widgets program does to show a window.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(484, 366);
    window.show();
    QTimer::singleShot(0, &application, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}
