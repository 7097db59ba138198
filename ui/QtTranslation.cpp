#include "QtTranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcTranslation, "quorrel.translation")

bool InstallQtTranslation(QCoreApplication& app) {
    const QStringList folders = {
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders) {
        if (translator->load(QStringLiteral("qtbase_ru"), folder) &&
            QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    qCWarning(lcTranslation, "no qtbase_ru.qm in %s: Qt's own texts stay in English",
              qPrintable(folders.join(QStringLiteral(", "))));
    return false;
}
