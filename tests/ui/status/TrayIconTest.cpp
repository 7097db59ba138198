#include "TrayIcon.h"
#include "QStringPrinter.h"

#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QIcon TestIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkBlue);
    return QIcon(pixmap);
}

class TrayWindow : public ::testing::Test {
protected:
    void ShowWindow() {
        window.resize(200, 100);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void Minimise() {
        window.setWindowState(window.windowState() | Qt::WindowMinimized);
        QApplication::processEvents();
    }
    QWidget window;
};

TEST_F(TrayWindow, MinimiseHidesTheWindowAndALeftPressBringsItBack) {
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    ASSERT_TRUE(tray.Enabled());
    EXPECT_TRUE(tray.Icon().isVisible());
    ShowWindow();

    Minimise();
    EXPECT_FALSE(window.isVisible());

    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(TrayWindow, DoubleClickRestoresOnItsFirstPressAndTheSecondDoesNoHarm) {
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    ShowWindow();
    Minimise();
    ASSERT_FALSE(window.isVisible());

    tray.Activate(QSystemTrayIcon::Trigger);     // first press
    tray.Activate(QSystemTrayIcon::DoubleClick); // second press of the double click
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(TrayWindow, OtherClicksDoNothing) {
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    ShowWindow();
    Minimise();
    for (auto reason :
         {QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
        tray.Activate(reason);
        QApplication::processEvents();
        EXPECT_FALSE(window.isVisible()) << int(reason);
    }
}

TEST_F(TrayWindow, WithoutATrayTheWindowMinimisesAsUsual) {
    TRzTrayIcon tray(&window, TestIcon(), [] { return false; });
    EXPECT_FALSE(tray.Enabled());
    EXPECT_FALSE(tray.Icon().isVisible());
    ShowWindow();
    Minimise();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());

    tray.ShowTrayBalloon(QStringLiteral("Trevant-Security"),
                         QStringLiteral("Quorrel IP Configurator"), 10, 1);
    EXPECT_FALSE(tray.LastBalloon().has_value());
}

TEST(TrayIcon, StartupBalloonIsPassedOnAsItIs) {
    QWidget window;
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    tray.ShowTrayBalloon(QStringLiteral("Trevant-Security"),
                         QStringLiteral("Quorrel IP Configurator"), 10, 1);
    ASSERT_TRUE(tray.LastBalloon().has_value());
    EXPECT_EQ(tray.LastBalloon()->title, QStringLiteral("Trevant-Security"));
    EXPECT_EQ(tray.LastBalloon()->text, QStringLiteral("Quorrel IP Configurator"));
    EXPECT_EQ(tray.LastBalloon()->timeoutMs, 10000);
    EXPECT_EQ(tray.LastBalloon()->icon, QSystemTrayIcon::Information);
}

TEST(TrayIcon, BalloonTitleAndTextAreCut) {
    struct Case {
        int titleLength;
        int textLength;
    };
    const Case cases[] = {{0, 0}, {62, 254}, {63, 255}, {64, 256}, {200, 1000}};
    QWidget window;
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    for (const Case& c : cases) {
        QString title, text;
        for (int i = 0; i < c.titleLength; ++i)
            title += QChar(u'А' + i % 32);
        for (int i = 0; i < c.textLength; ++i)
            text += QChar(u'a' + i % 26);
        tray.ShowTrayBalloon(title, text, 5, 0);
        ASSERT_TRUE(tray.LastBalloon().has_value());
        const int titleKept = std::min(c.titleLength, 63);
        const int textKept = std::min(c.textLength, 255);
        EXPECT_EQ(tray.LastBalloon()->title, title.left(titleKept)) << c.titleLength;
        EXPECT_EQ(tray.LastBalloon()->title.size(), titleKept);
        EXPECT_EQ(tray.LastBalloon()->text, text.left(textKept)) << c.textLength;
        EXPECT_EQ(tray.LastBalloon()->text.size(), textKept);
    }
}

TEST(TrayIcon, CutNeverSplitsASurrogatePair) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x94\x92"); // two UTF-16 units
    const QString title = QString(62, QLatin1Char('x')) + emoji;
    EXPECT_EQ(TRzTrayIcon::CutText(title, 63), QString(62, QLatin1Char('x')));
    EXPECT_EQ(TRzTrayIcon::CutText(title, 64), title);
}

TEST(TrayIcon, BalloonKindsAndTimeouts) {
    struct Case {
        int kind;
        int seconds;
        QSystemTrayIcon::MessageIcon icon;
    };
    const Case cases[] = {
        {0, 0, QSystemTrayIcon::NoIcon},   {1, 10, QSystemTrayIcon::Information},
        {2, 30, QSystemTrayIcon::Warning}, {3, 255, QSystemTrayIcon::Critical},
        {4, 1, QSystemTrayIcon::NoIcon},   {-1, 1, QSystemTrayIcon::NoIcon},
    };
    QWidget window;
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    for (const Case& c : cases) {
        tray.ShowTrayBalloon(QStringLiteral("t"), QStringLiteral("x"), c.seconds, c.kind);
        ASSERT_TRUE(tray.LastBalloon().has_value());
        EXPECT_EQ(tray.LastBalloon()->icon, c.icon) << c.kind;
        EXPECT_EQ(tray.LastBalloon()->timeoutMs, c.seconds * 1000) << c.kind;
    }
}

} // namespace

namespace {

TEST(TrayIcon, BelongsToTheWindowAndLeavesWithIt) {
    auto* window = new QWidget;
    QPointer<TRzTrayIcon> tray = new TRzTrayIcon(window, TestIcon(), [] { return true; });
    EXPECT_EQ(tray->parent(), window);
    QPointer<QSystemTrayIcon> icon = &tray->Icon();
    EXPECT_TRUE(icon->isVisible());
    delete window;
    EXPECT_TRUE(tray.isNull());
}

} // namespace

namespace {

TEST(TrayIcon, QueuedBalloonsFollowOneAnotherAndNoneIsLost) {
    QWidget window;
    TRzTrayIcon tray(&window, TestIcon(), [] { return true; });
    tray.SetQueueHold(100);
    for (const char* title : {"first", "second", "third"})
        tray.QueueTrayBalloon(title, "text", 10, 2);
    EXPECT_EQ(tray.LastBalloon()->title, "first") << "the first is shown at once";
    EXPECT_EQ(tray.QueuedBalloons(), 2);
    emit tray.Icon().messageClicked(); // read: the next one follows at once
    EXPECT_EQ(tray.LastBalloon()->title, "second");
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.LastBalloon()->title == "third"; }, 2000));
    EXPECT_EQ(tray.QueuedBalloons(), 0);
    QTest::qWait(150); // the hold is over: the next one is shown at once
    tray.QueueTrayBalloon("fourth", "4", 10, 1);
    EXPECT_EQ(tray.LastBalloon()->title, "fourth");
}

} // namespace

namespace {

// Whether there is a notification area is asked when a balloon is due: a panel that starts
// after the program gets the icon and the balloon then.
TEST(TrayIcon, ANotificationAreaThatAppearsLaterIsUsed) {
    QWidget window;
    bool panel = false;
    TRzTrayIcon tray(&window, TestIcon(), [&] { return panel; });
    for (const char* title : {"before", "after"}) {
        tray.QueueTrayBalloon(title, "the panel started", 10, 1);
        panel = true;
    }
    ASSERT_TRUE(tray.LastBalloon().has_value());
    EXPECT_EQ(tray.LastBalloon()->title, "after");
    EXPECT_TRUE(tray.Icon().isVisible());
}

} // namespace
