// Program start: the application object with Qt's Russian texts, then the dialog settings
// and the window-level flag, then the main window and its message loop. Nothing is saved
// at exit. Meanwhile the fonts and the image plugins, which the window's first paint needs,
// are read on threads of their own (Preload.h).
#include "BalloonHints.h"
#include "Identity.h"
#include "Preload.h"
#include "QtTranslation.h"
#include "Unit1.h"
#include "WindowsStart.h"

#include <QApplication>

int main(int argc, char** argv) {
    MarkProgramRunning();
    std::jthread fontConfiguration = ReadFontConfiguration();
    QApplication app(argc, argv);
    // The application name is also the class of the window's X11 WM_CLASS, which the menu
    // entry names in StartupWMClass; the desktop file name is the entry's id, which a
    // Wayland compositor gets as the window's app id. Both let a dock match the running
    // window to its launcher.
    app.setApplicationName(QString::fromUtf8(identity::kName));
    app.setDesktopFileName(QString::fromUtf8(identity::kDesktopId));
    CheckNativeStyle();
    InstallQtTranslation(app);
    ApplyBalloonHintStyle(app);
    InitializeUnit1();
    // After the font substitutions: they are no part of Qt's locked font database.
    std::jthread fontsAndImages = LoadFontsAndImagePlugins();
    TForm1 form1;
    form1.show();
    return app.exec();
}
