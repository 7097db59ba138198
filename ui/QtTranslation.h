// Qt's own texts (the edit fields' context menus, standard buttons, "О Qt") in Russian, as
// the rest of the window.
#pragma once

class QCoreApplication;

// Installs Qt's Russian translation (qtbase_ru.qm) into the application: from the
// translations folder beside the program (the Windows zip and installer ship it there),
// else from Qt's own translations folder (on Debian the qt6-translations-l10n package).
// False, with a warning logged, when neither has it: Qt's texts then stay in English.
bool InstallQtTranslation(QCoreApplication& app);
