// The program's icon in the notification area (RzTrayIcon1).
//
// It appears when created, with no tooltip and no menu. Minimising the window hides it
// from the taskbar, leaving only the icon; a left press on the icon restores the window
// and brings it to the front. Without a notification area the tray is disabled: the
// window minimises as usual and no balloon is shown. Whether there is one is asked again
// whenever a balloon is due, so a notification area that appears later gets the icon then.
// The icon is removed at exit.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>

class QWidget;

class TRzTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxTitleLength = 63;
    static constexpr int MaxTextLength = 255;

    // One balloon as it was handed to the platform.
    struct Balloon {
        QString title;
        QString text;
        int timeoutMs = 0;
        QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
    };

    // window: the main window, minimised to and restored from the tray.
    // icon: the image shown in the notification area.
    // trayAvailable: whether the platform has a notification area (by default Qt's answer),
    // asked at creation and whenever a balloon is due.
    // parent: the owner, by default the window, so the icon goes away with it.
    TRzTrayIcon(QWidget* window, const QIcon& icon,
                std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                QObject* parent = nullptr);
    ~TRzTrayIcon() override;

    // False when there is no notification area to put the icon in.
    bool Enabled() const { return enabled_; }
    // Asks now whether there is a notification area and, when there is, shows the icon if it
    // is not showing yet: true when a balloon can be shown.
    bool Available();

    // Shows one balloon at the icon: title cut to 63 characters, text to 255, the timeout in
    // whole seconds, kind 0 none, 1 information, 2 warning, 3 error. Nothing when disabled.
    void ShowTrayBalloon(const QString& title, const QString& text, int timeoutSeconds, int kind);

    // Shows a balloon as ShowTrayBalloon does, but one queued balloon never cuts another
    // short: while one is up, the next waits until that one has been shown for the hold time
    // (or its own timeout, if shorter) or was clicked. None is lost.
    void QueueTrayBalloon(const QString& title, const QString& text, int timeoutSeconds, int kind);
    // How long a queued balloon stays at least when another one waits (tests shorten it).
    void SetQueueHold(int ms) { queueHoldMs_ = ms; }
    // Balloons queued and not shown yet.
    int QueuedBalloons() const { return static_cast<int>(queue_.size()); }

    // The last balloon shown, if any.
    const std::optional<Balloon>& LastBalloon() const { return lastBalloon_; }

    // Cuts a text to at most maxLength UTF-16 units without splitting a surrogate pair.
    static QString CutText(const QString& text, int maxLength);
    static QSystemTrayIcon::MessageIcon BalloonIcon(int kind);

    QSystemTrayIcon& Icon() { return tray_; }

public slots:
    // What a click on the icon does: a left press (or the double click that follows it)
    // restores the window; other buttons do nothing.
    void Activate(QSystemTrayIcon::ActivationReason reason);
    // Shows the window normal again and brings it to the front.
    void RestoreWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HideMinimisedWindow();
    // Shows the icon in the notification area and takes its clicks.
    void Enable();
    void Present(Balloon balloon);
    // Shows the next queued balloon, if any, and holds the queue behind it.
    void ShowNextQueued();

    QPointer<QWidget> window_;
    QSystemTrayIcon tray_;
    std::function<bool()> trayAvailable_;
    bool enabled_ = false;
    bool restoring_ = false;
    std::optional<Balloon> lastBalloon_;
    std::deque<Balloon> queue_;
    QTimer queueHold_; // running while a queued balloon holds the queue
    int queueHoldMs_ = 5000;
};
