// startup-bare: a bare Qt Widgets window of the main window's size, shown as soon as the
// application object exists. startup-bench times the program's start against it.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(703, 273);
    window.show();
    return app.exec();
}
