#include "MarqueeStatus.h"
#include "MarqueeTexts.h"
#include "PaintProbe.h"
#include "ProgressStatus.h"
#include "QStringPrinter.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Dark pixels of a rendered marquee: where its text has been drawn.
QRect InkBounds(const QImage& image, const QRect& area) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 96)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(MarqueeStatus, StartsEmptyWithItsSizeAndFont) {
    TRzMarqueeStatus marquee;
    EXPECT_EQ(marquee.Caption(), "");
    EXPECT_EQ(marquee.size(), QSize(321, 25));
    EXPECT_EQ(marquee.font().pixelSize(), 13);
#ifdef Q_OS_WIN
    // There "MS Sans Serif" is a bitmap font: a TrueType face instead.
    EXPECT_TRUE(QStringList({"Microsoft Sans Serif", "Tahoma"}).contains(marquee.font().family()))
        << marquee.font().family().toStdString();
#else
    EXPECT_EQ(marquee.font().family(), QStringLiteral("MS Sans Serif"));
#endif
}

TEST(MarqueeStatus, KeepsUtf8TextsCharacterForCharacter) {
    const std::string texts[] = {
        MarqueeText::BroadcastSearch,
        MarqueeText::SearchByAddress,
        MarqueeText::WritingConfig,
        MarqueeText::WriteFailed,
        std::string(MarqueeText::ControllerPrefix) + "10.0.0.7" + MarqueeText::NoConfigSuffix,
        "",
    };
    TRzMarqueeStatus marquee;
    for (const std::string& text : texts) {
        marquee.SetCaption(text);
        EXPECT_EQ(marquee.Caption(), text);
        EXPECT_EQ(marquee.CaptionText(), QString::fromUtf8(text.c_str()));
    }
}

TEST(MarqueeStatus, ControllerTextsHaveOneBlankBeforeAndTwoAfterTheAddress) {
    const QString prefix = QString::fromUtf8(MarqueeText::ControllerPrefix);
    const QString suffix = QString::fromUtf8(MarqueeText::NoConfigSuffix);
    EXPECT_TRUE(prefix.endsWith(QLatin1Char(' ')));
    EXPECT_FALSE(prefix.endsWith(QLatin1String("  ")));
    EXPECT_TRUE(suffix.startsWith(QLatin1String("  ")));
    EXPECT_FALSE(suffix.startsWith(QLatin1String("   ")));
    EXPECT_EQ(prefix + QStringLiteral("10.0.0.7") + suffix,
              QStringLiteral("Контроллер 10.0.0.7  Конфиг. не считана"));
}

class ShownGroup : public ::testing::Test {
protected:
    void SetUp() override {
        group.resize(489, 49);
        marquee = new TRzMarqueeStatus(&group);
        marquee->move(8, 16);
        progress = new TRzProgressStatus(&group);
        progress->move(336, 16);
        group.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&group));
        QApplication::processEvents();
    }
    QGroupBox group{QStringLiteral("Статус операции")};
    TRzMarqueeStatus* marquee = nullptr;
    TRzProgressStatus* progress = nullptr;
};

TEST_F(ShownGroup, NewCaptionIsOnlyScheduledUntilTheNextRepaint) {
    PaintProbe probe(marquee, [this] { return marquee->CaptionText(); });
    marquee->SetCaption(MarqueeText::BroadcastSearch);
    EXPECT_EQ(probe.count, 0);
    QApplication::processEvents();
    ASSERT_GE(probe.count, 1);
    EXPECT_EQ(probe.samples.back().toString(), QString::fromUtf8(MarqueeText::BroadcastSearch));
}

TEST_F(ShownGroup, SameCaptionSchedulesNothing) {
    marquee->SetCaption(MarqueeText::WriteFailed);
    QApplication::processEvents();
    PaintProbe probe(marquee);
    marquee->SetCaption(MarqueeText::WriteFailed);
    QApplication::processEvents();
    EXPECT_EQ(probe.count, 0);
}

TEST_F(ShownGroup, RepaintNowPaintsThePendingCaptionBeforeReturning) {
    PaintProbe probe(marquee, [this] { return marquee->CaptionText(); });
    marquee->SetCaption(MarqueeText::WriteFailed);
    marquee->RepaintNow();
    ASSERT_EQ(probe.count, 1);
    EXPECT_EQ(probe.samples.back().toString(), QString::fromUtf8(MarqueeText::WriteFailed));
}

TEST_F(ShownGroup, PercentChangePaintsThePendingCaptionOfTheGroup) {
    PaintProbe marqueePaints(marquee, [this] { return marquee->CaptionText(); });
    PaintProbe barPaints(progress, [this] { return int(progress->Percent()); });
    marquee->SetCaption(MarqueeText::WritingConfig);
    progress->SetTotalParts(5);
    progress->SetPartsComplete(6); // limited to 5: 100 %
    ASSERT_GE(marqueePaints.count, 1);
    EXPECT_EQ(marqueePaints.samples.back().toString(),
              QString::fromUtf8(MarqueeText::WritingConfig));
    ASSERT_GE(barPaints.count, 1);
    EXPECT_EQ(barPaints.samples.back().toInt(), 100);
}

TEST_F(ShownGroup, UnchangedPercentPaintsNothing) {
    PaintProbe marqueePaints(marquee);
    PaintProbe barPaints(progress);
    marquee->SetCaption(MarqueeText::WriteFailed);
    progress->SetPercent(0); // already 0
    EXPECT_EQ(marqueePaints.count, 0);
    EXPECT_EQ(barPaints.count, 0);
}

TEST(MarqueeStatus, DrawsOneLineLeftAlignedAndVerticallyCentred) {
    TRzMarqueeStatus marquee;
    marquee.SetCaptionText(QStringLiteral("ШШШ\nШШШ"));
    const QImage image = marquee.grab().toImage();
    // Inside the frame only.
    const QRect ink = InkBounds(image, QRect(2, 2, marquee.width() - 4, marquee.height() - 4));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.left(), 6);                    // starts at the left, a few pixels in
    EXPECT_LT(ink.right(), marquee.width() / 2); // short text: nothing on the right half
    EXPECT_LE(ink.height(), 13);                 // a single line of a 13-pixel font
    const int middle = (ink.top() + ink.bottom()) / 2;
    EXPECT_NEAR(middle, marquee.height() / 2, 3);
}

TEST(MarqueeStatus, IsAccessibleAsStaticTextNamedByItsCaption) {
    TRzMarqueeStatus marquee;
    QSignalSpy changes(&marquee, &TRzMarqueeStatus::CaptionChanged);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&marquee);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), QString());

    marquee.SetCaption(MarqueeText::SearchByAddress);
    EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(MarqueeText::SearchByAddress));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toString(), QString::fromUtf8(MarqueeText::SearchByAddress));

    marquee.SetCaption(MarqueeText::SearchByAddress);
    EXPECT_EQ(changes.count(), 1);
    marquee.SetCaption("");
    EXPECT_EQ(iface->text(QAccessible::Name), QString());
    EXPECT_EQ(changes.count(), 2);
}

} // namespace
