// The desktop's own notifications: org.freedesktop.Notifications on the session bus, where
// the desktop has no notification area for a tray icon (stock GNOME, for one). The bus part
// is in DesktopNotice_dbus.cpp; Windows, whose taskbar always has a notification area,
// builds DesktopNotice_none.cpp instead.
#pragma once

#include <QObject>
#include <QString>

namespace desktop {

struct Notice {
    QString summary;
    QString body; // plain text
    bool critical = false;
};

// Whether a notification service is on the session bus: running, or one the bus can start.
// Learned from one query when the watch begins and from the bus's word each time the
// service comes or goes, so asking never waits for the bus. False until the query has been
// answered, and without a session bus.
class NoticeWatch : public QObject {
public:
    explicit NoticeWatch(QObject* parent = nullptr);
    bool Available() const { return running_ || startable_; }

private:
    bool running_ = false;
    bool startable_ = false;
    bool heard_ = false; // the bus has told of the service since the query
};

// Hands the notice to the service without waiting for its answer; false when it could not
// be sent.
bool SendNotice(const Notice& notice);

} // namespace desktop
