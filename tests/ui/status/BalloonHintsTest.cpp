#include "BalloonHints.h"

#include <QApplication>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

TEST(BalloonHints, TooltipsUseTahomaOnInfoColours) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    ApplyBalloonHintStyle(*app);

    const QFont font = QToolTip::font();
    EXPECT_EQ(font.family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(font.pointSize(), 8);

    const QPalette palette = QToolTip::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        EXPECT_EQ(palette.color(group, QPalette::ToolTipBase), QColor(255, 255, 225));
        EXPECT_EQ(palette.color(group, QPalette::ToolTipText), QColor(0, 0, 0));
    }
}

} // namespace
