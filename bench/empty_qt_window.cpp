// The idle baseline of the Qt window: an empty window of the same toolkit and style as the tool,
// with a 100 ms timer whose ticks do nothing. bench/idle.sh compares the tool's idle CPU with it.
// With --text-box the window holds one multi-line text box with the keyboard focus, as the tool's
// window does: its blinking caret is repainted whether or not anything else happens.
#include <QApplication>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QWidget window;
    window.setWindowTitle("empty");
    window.resize(560, 420);
    if (argc > 1 && std::strcmp(argv[1], "--text-box") == 0) {
        auto* layout = new QVBoxLayout(&window);
        auto* box = new QPlainTextEdit(&window);
        layout->addWidget(box);
        box->setFocus();
    }
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(100);
    window.show();
    window.activateWindow();  // as the tool does: the window, and its text box, take the focus
    return QApplication::exec();
}
