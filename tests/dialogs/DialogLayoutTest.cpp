// Layout arithmetic of the dialogs, checked against hand-computed layouts.
#include "DialogLayout.h"

#include <climits>
#include <gtest/gtest.h>

using namespace dlglayout;

namespace {

struct TMulDivCase {
    int a, b, c, expected;
};

TEST(MulDivTest, RoundsHalvesAwayFromZero) {
    const TMulDivCase cases[] = {
        {8, 7, 4, 14},
        {10, 7, 4, 18},
        {50, 7, 4, 88},
        {4, 7, 4, 7},
        {38, 7, 4, 67},
        {92, 7, 4, 161},
        {164, 7, 4, 287},
        {10, 16, 8, 20},
        {5, 1, 2, 3},
        {-5, 1, 2, -3},
        {5, -1, 2, -3},
        {5, 1, -2, -3},
        {-5, -1, 2, 3},
        {7, 1, 3, 2},
        {8, 1, 3, 3},
        {-8, 1, 3, -3},
        {-7, 1, 3, -2},
        {0, 9, 5, 0},
        {9, 1, 6, 2},
        {15, 1, 6, 3},
        {100000, 100000, 100000, 100000}, // the product does not fit 32 bits
    };
    for (const TMulDivCase& t : cases)
        EXPECT_EQ(MulDiv(t.a, t.b, t.c), t.expected) << t.a << " * " << t.b << " / " << t.c;
}

TEST(MulDivTest, DivisionByZeroAndOverflowGiveMinusOne) {
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 1, 1), INT_MAX);
}

TEST(DialogUnitsTest, WidthIsIntegerDividedBy52) {
    struct {
        QSize extent;
        int x, y;
    } cases[] = {{{364, 16}, 7, 16}, {{415, 16}, 7, 16}, {{416, 13}, 8, 13}, {{51, 10}, 0, 10}};
    for (const auto& t : cases) {
        const TDialogUnits u = DialogUnitsFromExtent(t.extent);
        EXPECT_EQ(u.X, t.x) << t.extent.width();
        EXPECT_EQ(u.Y, t.y) << t.extent.height();
    }
}

TEST(MessageLayoutTest, MetricsForSevenBySixteen) {
    const TMessageMetrics m = MessageMetrics({7, 16});
    EXPECT_EQ(m.MarginX, 14);
    EXPECT_EQ(m.MarginY, 16);
    EXPECT_EQ(m.GapX, 18);
    EXPECT_EQ(m.GapY, 20);
    EXPECT_EQ(m.BtnW, 88);
    EXPECT_EQ(m.BtnH, 28);
    EXPECT_EQ(m.BtnGap, 7);
}

TEST(MessageLayoutTest, WorkedExampleWithIconAndOneButton) {
    const TMessageLayout l = LayoutMessageBox({7, 16}, QSize(200, 16), true, 1);
    EXPECT_EQ(l.BodyW, 250);
    EXPECT_EQ(l.BodyH, 32);
    EXPECT_EQ(l.Client, QSize(278, 112));
    EXPECT_EQ(l.Icon, QRect(14, 16, 32, 32));
    EXPECT_EQ(l.Message.topLeft(), QPoint(64, 16));
    EXPECT_EQ(l.Message.width(), 200);
    ASSERT_EQ(l.Buttons.size(), 1u);
    EXPECT_EQ(l.Buttons[0], QRect(95, 68, 88, 28));
}

TEST(MessageLayoutTest, ButtonsWiderThanTextSetTheWidthAndStayCentred) {
    // Three buttons: 3 * 88 + 2 * 7 = 278 wide, more than the 50 + 32 + 18 = 100 of the body.
    const TMessageLayout l = LayoutMessageBox({7, 16}, QSize(50, 16), true, 3);
    EXPECT_EQ(l.RowW, 278);
    EXPECT_EQ(l.Client, QSize(306, 112));
    ASSERT_EQ(l.Buttons.size(), 3u);
    EXPECT_EQ(l.Buttons[0], QRect(14, 68, 88, 28));
    EXPECT_EQ(l.Buttons[1], QRect(109, 68, 88, 28));
    EXPECT_EQ(l.Buttons[2], QRect(204, 68, 88, 28));
    // Equal space left and right of the row.
    EXPECT_EQ(l.Buttons[0].left(), l.Client.width() - 1 - l.Buttons[2].right());
    // The message stays next to the icon.
    EXPECT_EQ(l.Message.topLeft(), QPoint(64, 16));
}

TEST(MessageLayoutTest, CustomKindHasNoIconAndStartsAtTheMargin) {
    const TMessageLayout l = LayoutMessageBox({7, 16}, QSize(200, 16), false, 1);
    EXPECT_TRUE(l.Icon.isNull());
    EXPECT_EQ(l.BodyW, 200);
    EXPECT_EQ(l.BodyH, 16);
    EXPECT_EQ(l.Client, QSize(228, 96));
    EXPECT_EQ(l.Message.topLeft(), QPoint(14, 16));
    ASSERT_EQ(l.Buttons.size(), 1u);
    EXPECT_EQ(l.Buttons[0], QRect(70, 52, 88, 28));
}

TEST(MessageLayoutTest, TallTextPushesTheButtonsDown) {
    const TMessageLayout l = LayoutMessageBox({7, 16}, QSize(300, 64), true, 2);
    EXPECT_EQ(l.BodyH, 64);
    EXPECT_EQ(l.Client, QSize(378, 144));
    ASSERT_EQ(l.Buttons.size(), 2u);
    // Row of 183 centred in 378: (378 - 183) / 2 = 97.
    EXPECT_EQ(l.Buttons[0], QRect(97, 100, 88, 28));
    EXPECT_EQ(l.Buttons[1], QRect(192, 100, 88, 28));
}

TEST(MessageLayoutTest, NoButtonsLeavesAnEmptyRow) {
    const TMessageLayout l = LayoutMessageBox({7, 16}, QSize(200, 16), true, 0);
    EXPECT_EQ(l.RowW, 0);
    EXPECT_TRUE(l.Buttons.empty());
    EXPECT_EQ(l.Client, QSize(278, 112));
}

TEST(QueryLayoutTest, WorkedExample) {
    const TQueryLayout l = LayoutInputQuery({7, 16});
    EXPECT_EQ(l.Client, QSize(315, 126));
    EXPECT_EQ(l.Prompt, QPoint(14, 16));
    EXPECT_EQ(l.EditLeft, 14);
    EXPECT_EQ(l.EditTop, 38);
    EXPECT_EQ(l.EditWidth, 287);
    EXPECT_EQ(l.Ok, QRect(67, 82, 88, 28));
    EXPECT_EQ(l.Cancel, QRect(161, 82, 88, 28));
}

TEST(PlacementTest, CentresWithTruncatingHalves) {
    struct {
        QRect screen;
        QSize window;
        QPoint expected;
    } cases[] = {
        {{0, 0, 1024, 768}, {278, 112}, {373, 328}},
        {{0, 0, 1024, 768}, {279, 113}, {373, 328}},
        {{0, 0, 800, 600}, {315, 126}, {243, 237}},
        {{1024, 0, 800, 600}, {315, 126}, {1267, 237}},
    };
    for (const auto& t : cases)
        EXPECT_EQ(CentredTopLeft(t.screen, t.window), t.expected) << t.window.width();
    EXPECT_EQ(WrapWidthLimit(1024), 512);
    EXPECT_EQ(WrapWidthLimit(1023), 511);
}

TEST(GradientTest, PanelLinesRoundToNearestEven) {
    const QColor face(255, 255, 255), grad(193, 224, 255);
    struct {
        int y, h;
        QColor expected;
    } cases[] = {
        {0, 62, {255, 255, 255}},   {1, 62, {254, 254, 255}},   // green 254.5 -> 254
        {3, 62, {252, 254, 255}},                               // green 253.5 -> 254
        {5, 62, {250, 252, 255}},                               // green 252.5 -> 252
        {61, 62, {194, 224, 255}},  {99, 100, {194, 224, 255}}, // 193.62, 224.31
        {50, 100, {224, 240, 255}},                             // green 239.5 -> 240
    };
    for (const auto& t : cases)
        EXPECT_EQ(PanelLineColour(face, grad, t.y, t.h), t.expected) << t.y << "/" << t.h;
}

TEST(GradientTest, BackgroundLinesTruncateTowardZero) {
    struct {
        QColor top, bottom;
        int k, h;
        QColor expected;
    } cases[] = {
        {{0, 0, 128}, {0, 0, 0}, 0, 101, {0, 0, 128}},
        {{0, 0, 128}, {0, 0, 0}, 1, 101, {0, 0, 127}}, // -1.28 -> -1
        {{0, 0, 128}, {0, 0, 0}, 50, 101, {0, 0, 64}},
        {{0, 0, 128}, {0, 0, 0}, 100, 101, {0, 0, 0}},
        {{157, 185, 235}, {61, 149, 255}, 1, 3, {109, 167, 245}},
        {{157, 185, 235}, {61, 149, 255}, 1, 4, {125, 173, 241}}, // -32, -12, +6.67 -> 6
    };
    for (const auto& t : cases)
        EXPECT_EQ(BackgroundLineColour(t.top, t.bottom, t.k, t.h), t.expected) << t.k;
}

} // namespace
