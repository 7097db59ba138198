// The clock pane of the status bar (RzClockStatus1): the regional short date, a blank and
// the regional long time; at exactly midnight (00:00:00, any milliseconds) the date alone.
// A 500 ms timer refreshes it; the text is set only when it changed.
#pragma once

#include "StatusPane.h"

#include <QDateTime>
#include <QLocale>
#include <QTimer>
#include <functional>

class TRzClockStatus : public TRzStatusPane {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;

    using ClockSource = std::function<QDateTime()>;

    // Runs on the local time and the user's regional formats unless told otherwise.
    explicit TRzClockStatus(QWidget* parent = nullptr);

    // The locale's long time format without its time zone.
    static QString LongTimeFormat(const QLocale& locale);
    // The text the pane shows for the moment now in the given locale.
    static QString ClockText(const QDateTime& now, const QLocale& locale);

    void SetClockSource(ClockSource source);
    void SetClockLocale(const QLocale& locale);
    const QLocale& ClockLocale() const { return locale_; }
    const QTimer& RefreshTimer() const { return timer_; }

public slots:
    // Reads the clock and shows its text when it differs from the current one.
    void Refresh();

private:
    ClockSource source_;
    QLocale locale_;
    QTimer timer_;
};
