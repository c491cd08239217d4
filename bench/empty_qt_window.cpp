// The idle baseline of the Qt window: an empty window of the same toolkit and style as the tool,
// with a 100 ms timer whose ticks do nothing. bench/idle.sh compares the tool's idle CPU with it.
#include <QApplication>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QWidget window;
    window.setWindowTitle("empty");
    window.resize(560, 420);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(100);
    window.show();
    return QApplication::exec();
}
