// Program start: the application object with Qt's Russian texts, then the dialog settings
// and the window-level flag, then the main window and its message loop. Nothing is saved
// at exit.
#include "BalloonHints.h"
#include "QtTranslation.h"
#include "Unit1.h"
#include "WindowsStart.h"

#include <QApplication>

int main(int argc, char** argv) {
    MarkProgramRunning();
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quorrel IP Configurator"));
    CheckNativeStyle();
    InstallQtTranslation(app);
    ApplyBalloonHintStyle(app);
    InitializeUnit1();
    TForm1 form1;
    form1.show();
    return app.exec();
}
