// startup-bare: a bare Qt Widgets window of the main window's size, shown as soon as the
// application object exists. startup-bench times the program's start against it.
// startup-bare-text (built with STARTUP_BARE_TEXT) draws one line of text in Qt's default
// font as well: a window that starts Qt's font machinery, which the bare one never does.
#include <QApplication>
#include <QMainWindow>
#ifdef STARTUP_BARE_TEXT
#include <QLabel>
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(703, 273);
#ifdef STARTUP_BARE_TEXT
    window.setCentralWidget(new QLabel(QStringLiteral("Поиск IP")));
#endif
    window.show();
    return app.exec();
}
