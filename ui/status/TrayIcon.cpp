#include "TrayIcon.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>

TRzTrayIcon::TRzTrayIcon(QWidget* window, const QIcon& icon, std::function<bool()> trayAvailable,
                         QObject* parent)
    : QObject(parent ? parent : window), window_(window), trayAvailable_(std::move(trayAvailable)) {
    setObjectName(QStringLiteral("RzTrayIcon1"));
    tray_.setIcon(icon);
    tray_.setToolTip(QString());
    Available();
    queueHold_.setSingleShot(true);
    connect(&queueHold_, &QTimer::timeout, this, &TRzTrayIcon::ShowNextQueued);
    if (window_)
        window_->installEventFilter(this);
    // Take the icon away at the end of the session even if the window is not destroyed.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, &tray_, &QSystemTrayIcon::hide);
}

TRzTrayIcon::~TRzTrayIcon() {
    tray_.hide();
    if (window_)
        window_->removeEventFilter(this);
}

bool TRzTrayIcon::Available() {
    if (!trayAvailable_ || !trayAvailable_())
        return false;
    if (!enabled_)
        Enable();
    return true;
}

void TRzTrayIcon::Enable() {
    enabled_ = true;
    // Qt registers the icon again by itself when the notification area comes back (a
    // restarted shell or panel).
    tray_.show();
    connect(&tray_, &QSystemTrayIcon::activated, this, &TRzTrayIcon::Activate);
    // A balloon the user clicked away has been read: the next queued one may follow.
    connect(&tray_, &QSystemTrayIcon::messageClicked, this, [this] {
        if (queueHold_.isActive()) {
            queueHold_.stop();
            ShowNextQueued();
        }
    });
}

QString TRzTrayIcon::CutText(const QString& text, int maxLength) {
    if (text.size() <= maxLength)
        return text;
    qsizetype length = maxLength;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

QSystemTrayIcon::MessageIcon TRzTrayIcon::BalloonIcon(int kind) {
    switch (kind) {
    case 1:
        return QSystemTrayIcon::Information;
    case 2:
        return QSystemTrayIcon::Warning;
    case 3:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

void TRzTrayIcon::ShowTrayBalloon(const QString& title, const QString& text, int timeoutSeconds,
                                  int kind) {
    if (!Available())
        return;
    Present({CutText(title, MaxTitleLength), CutText(text, MaxTextLength), timeoutSeconds * 1000,
             BalloonIcon(kind)});
}

void TRzTrayIcon::Present(Balloon balloon) {
    // A new message replaces any balloon still showing.
    tray_.showMessage(balloon.title, balloon.text, balloon.icon, balloon.timeoutMs);
    lastBalloon_ = std::move(balloon);
}

void TRzTrayIcon::QueueTrayBalloon(const QString& title, const QString& text, int timeoutSeconds,
                                   int kind) {
    if (!Available())
        return;
    queue_.push_back({CutText(title, MaxTitleLength), CutText(text, MaxTextLength),
                      timeoutSeconds * 1000, BalloonIcon(kind)});
    if (!queueHold_.isActive())
        ShowNextQueued();
}

void TRzTrayIcon::ShowNextQueued() {
    if (queue_.empty())
        return;
    Balloon balloon = std::move(queue_.front());
    queue_.pop_front();
    const int timeout = balloon.timeoutMs;
    Present(std::move(balloon));
    queueHold_.start(timeout > 0 ? std::min(timeout, queueHoldMs_) : queueHoldMs_);
}

void TRzTrayIcon::Activate(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick: // the window is already back: only brings it forward
        RestoreWindow();
        break;
    default:
        break;
    }
}

void TRzTrayIcon::RestoreWindow() {
    if (!window_ || restoring_)
        return;
    restoring_ = true;
    window_->showNormal();
    if (enabled_) {
        window_->raise();
        window_->activateWindow();
    }
    restoring_ = false;
}

bool TRzTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WindowStateChange && enabled_ &&
        window_->isMinimized()) {
        // Hide once the state change is through; the window may be back by then.
        QMetaObject::invokeMethod(this, &TRzTrayIcon::HideMinimisedWindow, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void TRzTrayIcon::HideMinimisedWindow() {
    if (window_ && enabled_ && window_->isMinimized())
        window_->hide();
}
