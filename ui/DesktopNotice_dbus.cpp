// The notification service's Notify call over QtDBus, as freedesktop.org's desktop
// notification interface defines it.
#include "DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace desktop {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// The hint's values: 1 normal, 2 critical (stays until the user dismisses it).
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;

// A service that offers body markup reads "&", "<" and ">" as markup.
QString Escaped(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return out;
}

} // namespace

bool NoticesAvailable() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    if (bus.interface()->isServiceRegistered(kService).value())
        return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kService);
}

bool SendNotice(const Notice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopEntry));
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(notice.critical ? kCritical : kNormal));
    call << QString::fromUtf8(kAppName) << uint(0) << QString::fromLatin1(kIconName)
         << notice.summary << Escaped(notice.body) << QStringList() << hints
         << int(-1); // the service's own timeout
    // The answer (the notice's number) is not needed: the window never waits for the bus.
    bus.asyncCall(call);
    return true;
}

} // namespace desktop
