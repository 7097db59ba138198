// Look and behaviour of the gradient panel and the styled button, read from grabbed pixels.
#include "DialogTestSupport.h"
#include "MessageForm.h"
#include "QStringPrinter.h"
#include "XiButton.h"
#include "XiPanel.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

const QColor kLight(77, 150, 240);
const QColor kDark(0, 89, 179);

QImage Grab(QWidget& w) {
    return w.grab().toImage();
}

TEST(XiPanelTest, SchemeNumbersAndSkyColours) {
    EXPECT_EQ(int(TXiPanel::csSky), 4);
    EXPECT_EQ(int(TXiButton::csSky), 8);
    TXiPanel p;
    p.SetColorScheme(TXiPanel::csGrass);
    p.SetColorScheme(TXiPanel::csSky);
    EXPECT_EQ(p.ColorFace(), QColor(255, 255, 255));
    EXPECT_EQ(p.ColorGrad(), QColor(193, 224, 255));
    EXPECT_EQ(p.ColorLight(), kLight);
    EXPECT_EQ(p.ColorDark(), kDark);
    EXPECT_EQ(p.FillDirection(), fdVertical);
}

TEST(XiPanelTest, VerticalGradientAndOnePixelBevel) {
    TXiPanel p;
    p.resize(120, 62);
    const QImage img = Grab(p);
    ASSERT_EQ(img.size(), QSize(120, 62));

    struct {
        int x, y;
        QColor expected;
        const char* what;
    } cases[] = {
        {60, 1, {254, 254, 255}, "first gradient line, next to white"},
        {60, 3, {252, 254, 255}, "line 3"},
        {60, 31, {224, 240, 255}, "middle line"},
        {60, 60, {195, 225, 255}, "last gradient line, near (193, 224, 255)"},
        {0, 30, kLight, "left column"},
        {60, 0, kLight, "top row"},
        {0, 0, kLight, "top-left corner"},
        {0, 61, kLight, "bottom-left corner belongs to the light edge"},
        {119, 30, kDark, "right column"},
        {60, 61, kDark, "bottom row"},
        {119, 0, kDark, "top-right corner belongs to the dark edge"},
        {119, 61, kDark, "bottom-right corner"},
    };
    for (const auto& t : cases)
        EXPECT_EQ(Pixel(img, t.x, t.y), t.expected) << t.what;
    // A gradient line is one colour across the whole width.
    EXPECT_EQ(Pixel(img, 1, 20), Pixel(img, 118, 20));
}

// ---- Button ----

struct TButtonFixture : ::testing::Test {
    void SetUp() override {
        button.setText(QStringLiteral("OK"));
        button.resize(88, 28);
    }
    void Send(QEvent& e) { QApplication::sendEvent(&button, &e); }
    void Mouse(QEvent::Type type, QPoint pos) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent e(type, pos, button.mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
        Send(e);
    }
    void Enter() {
        QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        Send(e);
    }
    void Leave() {
        QEvent e(QEvent::Leave);
        Send(e);
    }
    void FocusIn() {
        QFocusEvent e(QEvent::FocusIn, Qt::TabFocusReason);
        Send(e);
    }
    void FocusOut() {
        QFocusEvent e(QEvent::FocusOut, Qt::TabFocusReason);
        Send(e);
    }
    bool Key(QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(type, key, mods);
        Send(e);
        return e.isAccepted();
    }
    TXiButton button;
};

struct TStateColours {
    QColor face, light, dark;
};

TEST_F(TButtonFixture, NormalHoverAndPressedFacesAndBevels) {
    const QColor border(0, 89, 179);
    auto check = [&](const char* state, const TStateColours& c) {
        const QImage img = Grab(button);
        SCOPED_TRACE(state);
        EXPECT_EQ(Pixel(img, 5, 5), c.face);
        EXPECT_EQ(Pixel(img, 3, 14), c.face); // no focus rectangle
        EXPECT_EQ(Pixel(img, 1, 14), c.light);
        EXPECT_EQ(Pixel(img, 44, 1), c.light);
        EXPECT_EQ(Pixel(img, 1, 26), c.light); // light edge's start point
        EXPECT_EQ(Pixel(img, 86, 14), c.dark);
        EXPECT_EQ(Pixel(img, 44, 26), c.dark);
        EXPECT_EQ(Pixel(img, 86, 1), c.dark); // dark edge starts over the light one
        EXPECT_EQ(Pixel(img, 2, 26), c.dark);
        for (QPoint p : {QPoint(0, 14), QPoint(87, 14), QPoint(44, 0), QPoint(44, 27), QPoint(0, 0),
                         QPoint(87, 27)})
            EXPECT_EQ(Pixel(img, p.x(), p.y()), border) << p.x() << "," << p.y();
    };

    EXPECT_EQ(button.State(), TXiButton::bsNormal);
    check("normal", {{193, 224, 255}, {217, 236, 255}, {83, 169, 255}});

    Enter();
    EXPECT_EQ(button.State(), TXiButton::bsOver);
    check("hover", {{155, 205, 255}, {202, 228, 255}, {100, 177, 255}});

    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_EQ(button.State(), TXiButton::bsDown);
    check("pressed", {{130, 192, 255}, {34, 145, 255}, {168, 211, 255}});

    Mouse(QEvent::MouseButtonRelease, QPoint(10, 10));
    Leave();
    EXPECT_EQ(button.State(), TXiButton::bsNormal);
    check("normal again", {{193, 224, 255}, {217, 236, 255}, {83, 169, 255}});
}

TEST_F(TButtonFixture, FocusRectangleInsideTheBevel) {
    const QColor focus(20, 155, 220);
    FocusIn();
    ASSERT_TRUE(button.Focused());
    const QImage img = Grab(button);
    for (QPoint p : {QPoint(3, 3), QPoint(3, 14), QPoint(84, 14), QPoint(44, 3), QPoint(44, 24),
                     QPoint(84, 24)})
        EXPECT_EQ(Pixel(img, p.x(), p.y()), focus) << p.x() << "," << p.y();
    // Outside the rectangle (x = 2 and 85, y = 25) is face.
    for (QPoint p : {QPoint(2, 14), QPoint(85, 14), QPoint(44, 25)})
        EXPECT_EQ(Pixel(img, p.x(), p.y()), QColor(193, 224, 255)) << p.x() << "," << p.y();

    FocusOut();
    EXPECT_EQ(Pixel(Grab(button), 3, 14), QColor(193, 224, 255));
}

// Bounding box of the dark caption pixels inside the bevel.
QRect CaptionBox(const QImage& img) {
    QRect box;
    for (int y = 4; y < img.height() - 4; ++y)
        for (int x = 4; x < img.width() - 4; ++x)
            if (img.pixelColor(x, y).lightness() < 100)
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST_F(TButtonFixture, PressedCaptionMovesOnePixelRightAndDown) {
    const QRect normal = CaptionBox(Grab(button));
    ASSERT_FALSE(normal.isEmpty());
    // Centred: the space left and right of the caption differs by at most a pixel or two.
    EXPECT_LE(std::abs(normal.left() - (87 - normal.right())), 2);
    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_EQ(CaptionBox(Grab(button)), normal.translated(1, 1));
}

TEST_F(TButtonFixture, MouseClickNeedsPressAndReleaseOnTheButton) {
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    Enter();
    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    Mouse(QEvent::MouseButtonRelease, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    // A click returns the button to normal.
    EXPECT_EQ(button.State(), TXiButton::bsNormal);

    Mouse(QEvent::MouseButtonPress, QPoint(10, 10));
    Mouse(QEvent::MouseMove, QPoint(200, 10));
    EXPECT_EQ(button.State(), TXiButton::bsNormal);
    Mouse(QEvent::MouseMove, QPoint(20, 10));
    EXPECT_EQ(button.State(), TXiButton::bsDown);
    Mouse(QEvent::MouseMove, QPoint(200, 10));
    Mouse(QEvent::MouseButtonRelease, QPoint(200, 10));
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(TButtonFixture, HoverOnlyWithHotTrack) {
    button.SetHotTrack(false);
    Enter();
    EXPECT_EQ(button.State(), TXiButton::bsNormal);
    button.SetHotTrack(true);
    Enter();
    EXPECT_EQ(button.State(), TXiButton::bsOver);
    FocusIn();
    FocusOut();
    EXPECT_EQ(button.State(), TXiButton::bsNormal);
}

TEST_F(TButtonFixture, SpaceAndEnterClick) {
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    FocusIn();
    EXPECT_TRUE(Key(QEvent::KeyPress, Qt::Key_Space));
    EXPECT_EQ(button.State(), TXiButton::bsDown);
    EXPECT_EQ(clicked.count(), 0);
    Key(QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(button.State(), TXiButton::bsNormal);
    EXPECT_EQ(clicked.count(), 1);

    EXPECT_TRUE(Key(QEvent::KeyPress, Qt::Key_Return));
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_TRUE(Key(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier));
    EXPECT_EQ(clicked.count(), 3);

    // Modified Enter and Escape are left to the dialog.
    EXPECT_FALSE(Key(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier));
    EXPECT_FALSE(Key(QEvent::KeyPress, Qt::Key_Escape));
    EXPECT_EQ(clicked.count(), 3);
}

TEST(XiButtonKeysTest, WhoTakesTheDialogKeys) {
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    struct {
        bool canFocus, focused, isDefault, isCancel;
        int key;
        Qt::KeyboardModifiers mods;
        bool takes;
    } cases[] = {
        {true, true, false, false, Qt::Key_Return, none, true},
        {true, true, false, false, Qt::Key_Enter, Qt::KeypadModifier, true},
        {true, true, false, false, Qt::Key_Return, Qt::ShiftModifier, false},
        {true, true, false, false, Qt::Key_Return, Qt::ControlModifier, false},
        {true, true, false, false, Qt::Key_Return, Qt::AltModifier, false},
        {true, false, false, false, Qt::Key_Return, none, false},
        {true, false, true, false, Qt::Key_Return, none, true},
        {true, false, true, false, Qt::Key_Return, Qt::ShiftModifier, true},
        {false, true, true, false, Qt::Key_Return, none, false},
        {true, false, false, true, Qt::Key_Escape, none, true},
        {true, true, true, false, Qt::Key_Escape, none, false},
        {true, false, false, true, Qt::Key_Escape, Qt::ShiftModifier, false},
        {false, false, false, true, Qt::Key_Escape, none, false},
        {true, true, true, true, Qt::Key_Space, none, false},
    };
    for (const auto& t : cases)
        EXPECT_EQ(TXiButton::TakesDialogKey(t.canFocus, t.focused, t.isDefault, t.isCancel, t.key,
                                            t.mods),
                  t.takes)
            << "focus " << t.canFocus << t.focused << " def " << t.isDefault << " cancel "
            << t.isCancel << " key " << t.key << " mods " << t.mods.toInt();
}

TEST(XiButtonDialogTest, ClickEndsTheDialogWithItsModalResult) {
    struct {
        int modalResult;
        bool staysOpen;
    } cases[] = {{1, false}, {7, false}, {0, true}};
    for (const auto& t : cases) {
        TMessageForm form;
        auto* b = new TXiButton(&form);
        b->SetModalResult(t.modalResult);
        int handlerSawResult = -1;
        QObject::connect(b, &QAbstractButton::clicked, [&] { handlerSawResult = form.result(); });
        form.show();
        b->Click();
        EXPECT_EQ(form.isVisible(), t.staysOpen) << t.modalResult;
        if (!t.staysOpen) {
            EXPECT_EQ(form.result(), t.modalResult);
            // The result is set before the button's click handler runs.
            EXPECT_EQ(handlerSawResult, t.modalResult);
        }
        form.hide();
    }
}

TEST(XiButtonAccessibilityTest, PushButtonNamedByCaptionWithPressAction) {
    TXiButton b;
    b.setText(QStringLiteral("Cancel"));
    QSignalSpy clicked(&b, &QAbstractButton::clicked);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&b);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::PushButton);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Cancel"));
    QAccessibleActionInterface* actions = iface->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicked.count(), 1);

    b.setText(QStringLiteral("&Yes"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Yes"));
}

} // namespace
