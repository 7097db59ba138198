// The notification service's Notify call over QtDBus, as freedesktop.org's desktop
// notification interface defines it.
#include "DesktopNotice.h"

#include "Identity.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace desktop {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

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

NoticeWatch::NoticeWatch(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* watcher = new QDBusServiceWatcher(kService, bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        running_ = true;
        heard_ = true;
    });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        running_ = false;
        heard_ = true;
    });
    // The query, asked after the watch began: what the bus tells afterwards is newer.
    const auto ask = [&](const QString& method, const QVariantList& args,
                         std::function<void(const QDBusMessage&)> take) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, method);
        call.setArguments(args);
        auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [take = std::move(take)](QDBusPendingCallWatcher* answered) {
                    answered->deleteLater();
                    if (!answered->isError())
                        take(answered->reply());
                });
    };
    ask(QStringLiteral("NameHasOwner"), {kService}, [this](const QDBusMessage& reply) {
        if (!heard_)
            running_ = reply.arguments().value(0).toBool();
    });
    ask(QStringLiteral("ListActivatableNames"), {}, [this](const QDBusMessage& reply) {
        startable_ = reply.arguments().value(0).toStringList().contains(kService);
    });
}

bool SendNotice(const Notice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(identity::kDesktopId));
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(notice.critical ? kCritical : kNormal));
    // The program names itself by its name, its menu entry's id and its icon's name.
    call << QString::fromUtf8(identity::kName) << uint(0) << QString::fromLatin1(identity::kPackage)
         << notice.summary << Escaped(notice.body) << QStringList() << hints
         << int(-1); // the service's own timeout
    // The answer (the notice's number) is not needed: the window never waits for the bus.
    bus.asyncCall(call);
    return true;
}

} // namespace desktop
