#include "WindowsStart.h"

#include "Identity.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QStyle>

#include <windows.h>

Q_LOGGING_CATEGORY(lcStart, "quorrel.start")

void MarkProgramRunning() {
    // Global: an installer run by another administrator's session sees it as well. The
    // handle stays open until the process ends.
    if (CreateMutexW(nullptr, FALSE, identity::kRunningMutex) == nullptr)
        qCWarning(lcStart, "CreateMutexW: error %lu", GetLastError());
}

void CheckNativeStyle() {
    const QString name = QApplication::style()->name();
    if (name.compare(QLatin1String("windowsvista"), Qt::CaseInsensitive) == 0) {
        qCInfo(lcStart, "style: windowsvista");
        return;
    }
    qCCritical(lcStart,
               "style: %s, not windowsvista: styles/qwindowsvistastyle.dll is missing beside "
               "the program or could not be loaded",
               qPrintable(name));
}
