#include "ClockStatus.h"
#include "QStringPrinter.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

namespace {

const QLocale kLocales[] = {
    QLocale::c(),
    QLocale(QLocale::Russian, QLocale::Russia),
    QLocale(QLocale::English, QLocale::UnitedStates),
    QLocale(QLocale::German, QLocale::Germany),
};

TEST(ClockStatus, ShowsDateBlankTimeAndTheDateAloneAtMidnight) {
    struct Case {
        QTime time;
        bool dateOnly;
    };
    const Case cases[] = {
        {QTime(0, 0, 0, 0), true},       {QTime(0, 0, 0, 999), true}, {QTime(0, 0, 1), false},
        {QTime(0, 1, 0), false},         {QTime(1, 0, 0), false},     {QTime(12, 0, 0), false},
        {QTime(23, 59, 59, 999), false},
    };
    const QDate date(2026, 3, 9);
    for (const QLocale& locale : kLocales) {
        const QString dateText = locale.toString(date, QLocale::ShortFormat);
        for (const Case& c : cases) {
            const QString text = TRzClockStatus::ClockText(QDateTime(date, c.time), locale);
            SCOPED_TRACE(locale.name().toStdString() + " " + c.time.toString().toStdString());
            if (c.dateOnly) {
                EXPECT_EQ(text, dateText);
            } else {
                EXPECT_EQ(text,
                          dateText + QLatin1Char(' ') +
                              locale.toString(c.time, TRzClockStatus::LongTimeFormat(locale)));
            }
        }
    }
}

TEST(ClockStatus, LongTimeShowsSecondsButNoTimeZone) {
    struct Case {
        QLocale locale;
        const char* text;
    };
    const QDateTime moment(QDate(2026, 3, 9), QTime(13, 5, 9));
    const Case cases[] = {
        {QLocale(QLocale::Russian, QLocale::Russia), "09.03.2026 13:05:09"},
        {QLocale(QLocale::German, QLocale::Germany), "09.03.26 13:05:09"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "3/9/26 1:05:09 PM"},
    };
    for (const Case& c : cases) {
        const QString text = TRzClockStatus::ClockText(moment, c.locale);
        EXPECT_EQ(text.simplified(), QString::fromUtf8(c.text)) << c.locale.name().toStdString();
    }
    // a quoted letter t is text, not the time zone
    EXPECT_EQ(TRzClockStatus::LongTimeFormat(QLocale::c()).count(QLatin1Char('t')), 0);
}

TEST(ClockStatus, StartsWithTheSystemLocaleAndARunningHalfSecondTimer) {
    TRzClockStatus clock;
    EXPECT_EQ(clock.ClockLocale(), QLocale::system());
    EXPECT_TRUE(clock.RefreshTimer().isActive());
    EXPECT_EQ(clock.RefreshTimer().interval(), 500);
    EXPECT_FALSE(clock.RefreshTimer().isSingleShot());
    EXPECT_FALSE(clock.text().isEmpty());
}

TEST(ClockStatus, RefreshShowsTheInjectedClock) {
    TRzClockStatus clock;
    const QLocale locale = kLocales[1];
    clock.SetClockLocale(locale);
    QDateTime now(QDate(2026, 5, 1), QTime(0, 0, 0));
    clock.SetClockSource([&now] { return now; });
    EXPECT_EQ(clock.text(), locale.toString(now.date(), QLocale::ShortFormat));

    now = now.addSecs(1);
    clock.Refresh();
    EXPECT_EQ(clock.text(), TRzClockStatus::ClockText(now, locale));
    EXPECT_TRUE(clock.text().contains(QLatin1Char(' ')));
}

TEST(ClockStatus, TimerPicksUpTheNewTime) {
    TRzClockStatus clock;
    clock.SetClockLocale(kLocales[2]);
    QDateTime now(QDate(2026, 5, 1), QTime(8, 0, 0));
    clock.SetClockSource([&now] { return now; });
    const QString before = clock.text();
    now = QDateTime(QDate(2026, 5, 2), QTime(9, 30, 15));
    const QString expected = TRzClockStatus::ClockText(now, kLocales[2]);
    ASSERT_NE(before, expected);
    // Only the event loop moves the pane on; the deadline merely bounds the wait.
    QDeadlineTimer deadline(10000);
    while (clock.text() != expected && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(clock.text(), expected);
}

} // namespace
