// Shows the two dialogs with the program's settings. With "--shot DIR" every dialog is
// captured (whole screen and the dialog itself) into DIR and answered automatically.
#include "MessDlgs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

QString gShotDir;

// Once the next dialog is open: save the screen and the dialog, then press `key` in it.
void CaptureAndAnswer(const QString& name, int key) {
    if (gShotDir.isEmpty())
        return;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, name, key] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        // Give the window system a moment to map and paint the window.
        QTimer::singleShot(500, dialog, [dialog, name, key] {
            QScreen* screen = QGuiApplication::primaryScreen();
            screen->grabWindow(0).save(gShotDir + "/" + name + "-screen.png");
            dialog->grab().save(gShotDir + "/" + name + "-dialog.png");
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : dialog;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
        });
    });
    poll->start(20);
}

} // namespace

int main(int argc, char** argv) {
    AssignProgramDialogSettings();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Quorrel IP Configurator"));
    const QStringList args = QApplication::arguments();
    const qsizetype i = args.indexOf(QStringLiteral("--shot"));
    if (i >= 0 && i + 1 < args.size())
        gShotDir = args.at(i + 1);

    CaptureAndAnswer(QStringLiteral("message"), Qt::Key_Return);
    ShowErrorMessage(QStringLiteral("Неправильный формат IP адреса"));

    CaptureAndAnswer(QStringLiteral("query"), Qt::Key_Escape);
    QString value;
    const bool ok =
        AskText(QStringLiteral("The Input Query"), QStringLiteral("IP адрес"), QString(), value);
    std::printf("query: %s \"%s\"\n", ok ? "OK" : "cancelled", value.toUtf8().constData());
    return 0;
}
