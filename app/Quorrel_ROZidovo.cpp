// Program start. The main window is still being built; until then the program opens a
// window that says so and does nothing else.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Quorrel IP Configurator: the main window is not built yet."));
    label.setWindowTitle(QStringLiteral("Quorrel IP Configurator"));
    label.setMargin(24);
    label.show();
    return app.exec();
}
