#include "ClockStatus.h"

TRzClockStatus::TRzClockStatus(QWidget* parent)
    : TRzStatusPane(parent), source_(&QDateTime::currentDateTime), locale_(QLocale::system()) {
    setObjectName(QStringLiteral("RzClockStatus1"));
    timer_.setInterval(RefreshMs);
    connect(&timer_, &QTimer::timeout, this, &TRzClockStatus::Refresh);
    timer_.start();
    Refresh();
}

QString TRzClockStatus::LongTimeFormat(const QLocale& locale) {
    // The regional long time is hours, minutes and seconds; some locales' long format
    // also names the time zone ("t"), which the pane has no room for.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.simplified();
}

QString TRzClockStatus::ClockText(const QDateTime& now, const QLocale& locale) {
    const QString date = locale.toString(now.date(), QLocale::ShortFormat);
    const QTime time = now.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + QLatin1Char(' ') + locale.toString(time, LongTimeFormat(locale));
}

void TRzClockStatus::SetClockSource(ClockSource source) {
    source_ = source ? std::move(source) : ClockSource(&QDateTime::currentDateTime);
    Refresh();
}

void TRzClockStatus::SetClockLocale(const QLocale& locale) {
    locale_ = locale;
    Refresh();
}

void TRzClockStatus::Refresh() {
    const QString now = ClockText(source_(), locale_);
    if (now != text())
        setText(now);
}
