// The desktop's own notifications: org.freedesktop.Notifications on the session bus, where
// the desktop has no notification area for a tray icon (stock GNOME, for one). The bus part
// is in DesktopNotice_dbus.cpp; Windows, whose taskbar always has a notification area,
// builds DesktopNotice_none.cpp instead.
#pragma once

#include <QString>

namespace desktop {

// How the program names itself to the notification service.
inline constexpr char kAppName[] = "Quorrel IP Configurator";
inline constexpr char kDesktopEntry[] = "com.trevant.QuorrelIpConfigurator"; // the menu entry's id
inline constexpr char kIconName[] = "quorrel-ip-configurator";               // in the icon theme

struct Notice {
    QString summary;
    QString body; // plain text
    bool critical = false;
};

// Whether a notification service is on the session bus now: running, or one the bus can
// start. False without a session bus.
bool NoticesAvailable();

// Hands the notice to the service without waiting for its answer; false when it could not
// be sent.
bool SendNotice(const Notice& notice);

} // namespace desktop
