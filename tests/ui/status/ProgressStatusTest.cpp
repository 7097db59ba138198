#include "ProgressStatus.h"
#include "PaneFrame.h"
#include "QStringPrinter.h"

#include <QAccessible>
#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct Values {
    int32_t total;
    int32_t parts;
    int16_t percent;
};

void ExpectValues(const TRzProgressStatus& p, Values v) {
    EXPECT_EQ(p.TotalParts(), v.total);
    EXPECT_EQ(p.PartsComplete(), v.parts);
    EXPECT_EQ(p.Percent(), v.percent);
}

TEST(ProgressStatus, StartsAtNothingOfNothing) {
    TRzProgressStatus p;
    ExpectValues(p, {0, 0, 0});
    EXPECT_EQ(p.size(), QSize(145, 25));
}

TEST(ProgressStatus, FirstSearchAdvancesByTwoPartsOfOneHundredFifty) {
    // Percent after each pass of the receive loop.
    const int16_t expected[] = {1, 3, 4, 5, 7, 8, 9, 11};
    TRzProgressStatus p;
    p.SetTotalParts(150);
    p.SetPartsComplete(0);
    for (int pass = 1; pass <= 8; ++pass) {
        p.SetPartsComplete(p.PartsComplete() + 2);
        EXPECT_EQ(p.Percent(), expected[pass - 1]) << "pass " << pass;
    }
    for (int pass = 9; pass <= 75; ++pass)
        p.SetPartsComplete(p.PartsComplete() + 2);
    ExpectValues(p, {150, 150, 100});
    for (int pass = 76; pass <= 80; ++pass) {
        p.SetPartsComplete(p.PartsComplete() + 2);
        ExpectValues(p, {150, 150, 100});
    }
    p.SetPercent(0);
    ExpectValues(p, {150, 150, 0});
}

TEST(ProgressStatus, SameTotalKeepsCompletedParts) {
    TRzProgressStatus p;
    p.SetTotalParts(150);
    p.SetPartsComplete(150);
    p.SetPercent(0);
    p.SetTotalParts(150);
    ExpectValues(p, {150, 150, 0});
    p.SetPartsComplete(0);
    ExpectValues(p, {150, 0, 0});
}

TEST(ProgressStatus, NewTotalResetsPartsAndPercent) {
    TRzProgressStatus p;
    p.SetTotalParts(150);
    p.SetPartsComplete(76);
    ASSERT_EQ(p.Percent(), 51);
    p.SetTotalParts(5);
    ExpectValues(p, {5, 0, 0});
}

TEST(ProgressStatus, WriteFlashesTheFullBarEveryTime) {
    TRzProgressStatus p;
    for (int write = 1; write <= 3; ++write) {
        p.SetTotalParts(5);
        p.SetPartsComplete(6);
        ExpectValues(p, {5, 5, 100});
        p.SetPercent(0);
        ExpectValues(p, {5, 5, 0});
    }
}

TEST(ProgressStatus, EqualPartsAreComparedBeforeLimiting) {
    TRzProgressStatus p;
    p.SetTotalParts(5);
    p.SetPartsComplete(5);
    p.SetPercent(0);
    p.SetPartsComplete(5); // same value: the percentage stays
    ExpectValues(p, {5, 5, 0});
}

TEST(ProgressStatus, ZeroTotalStoresZeroAndKeepsPercent) {
    TRzProgressStatus p;
    p.SetPercent(42);
    p.SetPartsComplete(4);
    ExpectValues(p, {0, 0, 42});
}

TEST(ProgressStatus, LimitIsComparedUnsigned) {
    struct Case {
        int32_t total;
        int32_t parts;
        Values after;
    };
    const Case cases[] = {
        {10, -1, {10, 10, 100}}, // -1 is the largest unsigned value: limited
        {-1, 5, {-1, 5, -500}},  // the total -1 limits nothing; 5 / -1 * 100
        {-2, -1, {-2, -2, 100}}, // -1 above -2 unsigned: limited
        {-2, -3, {-2, -3, 150}}, // -3 below -2 unsigned: stored as it is
        {1000, 999, {1000, 999, 100}},
    };
    for (const Case& c : cases) {
        TRzProgressStatus p;
        p.SetTotalParts(c.total);
        p.SetPartsComplete(c.parts);
        SCOPED_TRACE(testing::Message() << "total " << c.total << ", parts " << c.parts);
        ExpectValues(p, c.after);
    }
}

TEST(ProgressStatus, PercentRoundsHalfToEven) {
    struct Case {
        int32_t parts;
        int32_t total;
        int16_t percent;
    };
    const Case cases[] = {
        {1, 8, 12},                            // 12.5
        {3, 8, 38},                            // 37.5
        {5, 8, 62},                            // 62.5
        {7, 8, 88},                            // 87.5
        {1, 16, 6},                            // 6.25
        {1, 3, 33},                            // 33.33
        {2, 3, 67},                            // 66.67
        {0, 7, 0},  {7, 7, 100}, {-1, 8, -12}, // -12.5
    };
    for (const Case& c : cases)
        EXPECT_EQ(TRzProgressStatus::PercentOf(c.parts, c.total), c.percent)
            << c.parts << " of " << c.total;
}

TEST(ProgressStatus, BarWidthIsTheNearestIntegerAndFullFromHundred) {
    struct Case {
        int percent;
        int inner;
        int filled;
    };
    const Case cases[] = {
        {0, 143, 0},    {1, 143, 1},     {33, 143, 47},   {50, 143, 72}, // 71.5: even
        {50, 141, 70},                                                   // 70.5: even
        {99, 143, 142}, {100, 143, 143}, {250, 143, 143}, {-20, 143, 0}, {50, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TRzProgressStatus::BarFillWidth(c.percent, c.inner), c.filled)
            << c.percent << "% of " << c.inner;
}

TEST(ProgressStatus, PaintsTheBarInTheCaptionColourWithoutText) {
    const QColor bar = PaneFrame::GradientActiveCaption;
    ASSERT_EQ(bar, QColor(185, 209, 234));
    for (int percent : {0, 25, 50, 100, 130}) {
        TRzProgressStatus p;
        p.SetPercent(static_cast<int16_t>(percent));
        const QImage image = p.grab().toImage();
        const int inner = p.width() - 2;
        const int filled = TRzProgressStatus::BarFillWidth(percent, inner);
        int barPixels = 0;
        const int y = p.height() / 2;
        for (int x = 1; x <= inner; ++x)
            if (QColor(image.pixel(x, y)) == bar)
                ++barPixels;
        EXPECT_EQ(barPixels, filled) << percent << "%";
        // No text: every pixel of the filled part has the bar colour.
        int others = 0;
        for (int yy = 1; yy < p.height() - 1; ++yy)
            for (int x = 1; x <= filled; ++x)
                if (QColor(image.pixel(x, yy)) != bar)
                    ++others;
        EXPECT_EQ(others, 0) << percent << "%";
    }
}

TEST(ProgressStatus, IsAccessibleAsProgressBarWithPercentValue) {
    TRzProgressStatus p;
    QSignalSpy changes(&p, &TRzProgressStatus::PercentChanged);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&p);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 100);
    EXPECT_EQ(value->currentValue().toInt(), 0);

    p.SetTotalParts(8);
    p.SetPartsComplete(3);
    EXPECT_EQ(value->currentValue().toInt(), 38);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("38"));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 38);

    p.SetPercent(38); // unchanged: no notification
    EXPECT_EQ(changes.count(), 1);
}

} // namespace
