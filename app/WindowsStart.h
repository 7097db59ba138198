// What the program does at start on Windows only; elsewhere these do nothing.
#pragma once

// Holds the named mutex identity::kRunningMutex for the program's lifetime
// (the system releases it at exit), by which the installer and the uninstaller tell that
// the program is running, also when only its tray icon shows.
void MarkProgramRunning();

// Logs the style Qt loaded. The window is laid out for the "windowsvista" style (the
// plugin styles/qwindowsvistastyle.dll beside the program); when Qt fell back to another
// one the log says so as a critical message.
void CheckNativeStyle();
