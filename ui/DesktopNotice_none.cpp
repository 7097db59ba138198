// Windows: the program's Qt has no D-Bus, and the taskbar's notification area is always
// there for the tray icon's balloons.
#include "DesktopNotice.h"

namespace desktop {

NoticeWatch::NoticeWatch(QObject* parent) : QObject(parent) {}

bool SendNotice(const Notice&) {
    return false;
}

} // namespace desktop
