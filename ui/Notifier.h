// How the window tells its user what happened beyond its dialogs: the outcome of a write, the
// firewall advice and why a broadcast search found nothing.
//
// Where the tray icon shows, a balloon at it, queued as the tray queues them. Where it does
// not, a notification of the desktop's notification service when there is one, and the text
// in the status marquee, which stands until the next search or write. Which of them is there
// is known each time a message is due (the tray asked, the service watched on the bus), so a
// tray or a service that appears later is used.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class TRzMarqueeStatus;
class TRzTrayIcon;
namespace desktop {
class NoticeWatch;
}

class TNotifier : public QObject {
    Q_OBJECT
public:
    // What a message tells; its kind sets both the tray balloon's icon and the desktop
    // notification's urgency.
    enum class Kind { kInformation, kSuccess, kWarning };
    // How a kind shows: the balloon's icon as TRzTrayIcon takes it, and whether the desktop
    // notification is critical (it stays until the user dismisses it).
    struct Look {
        int balloonIcon;
        bool critical;
    };
    static Look LookOf(Kind kind);

    // How long a balloon stays, unless its message says otherwise.
    static constexpr int kBalloonSeconds = 10;

    struct Message {
        QString title;
        QString text;
        int seconds = kBalloonSeconds; // how long the balloon stays
        Kind kind = Kind::kInformation;
        // What the one-line marquee shows of it, the most telling part first; empty: the
        // title and the text.
        QString line = {};
    };

    // Where a message went, as bits.
    enum Channel { kBalloon = 1, kDesktop = 2, kWindow = 4 };

    // tray: the window's tray icon, asked for each message (it may be replaced); marquee: the
    // window's status marquee.
    TNotifier(std::function<TRzTrayIcon*()> tray, TRzMarqueeStatus* marquee,
              QObject* parent = nullptr);

    // True when a tray icon shows now.
    bool TrayShows() const;

    // Begins watching the session bus for the desktop's notification service; until then
    // no message goes to the desktop. The window calls it once it has been painted: asking
    // the bus is no part of its first paint. Once only.
    void WatchDesktop();

    // Tells the message on every way there is now; gives where it went.
    int Tell(const Message& message);
    // Only the window's text (a message the desktop has already heard).
    void ShowInWindow(const Message& message);

    // The whole message standing in the window, title and text on lines of their own; empty
    // when none stands.
    QString WindowText() const { return standing_; }

private:
    // Puts the standing message's line into the marquee, shortened to its width; the whole
    // message is the marquee's tooltip and its accessible description.
    void ShowStanding();
    void Withdraw();
    void CaptionChanged(const QString& caption);

    std::function<TRzTrayIcon*()> tray_;
    TRzMarqueeStatus* marquee_;
    desktop::NoticeWatch* notices_ = nullptr; // from WatchDesktop on
    QString standing_;
    QString standingLine_; // its one line
    QString shown_;        // the marquee's caption while it shows standing_
};
