#include "StatusBar.h"
#include "ClockStatus.h"
#include "QStringPrinter.h"
#include "StatusPane.h"
#include "VersionInfo.h"
#include "VersionInfoStatus.h"

#include <QAccessible>
#include <QImage>
#include <QSizeGrip>
#include <gtest/gtest.h>

namespace {

class NoVersionInfo : public IVersionResource {
public:
    bool HasVersionInfo() const override { return false; }
    std::vector<LangCodePage> Translations() const override { return {}; }
    std::optional<QString> Value(const QString&) const override { return std::nullopt; }
};

// Columns of a rendered pane in which text has been drawn (inside the frame).
std::pair<int, int> InkColumns(QWidget& pane) {
    const QImage image = pane.grab().toImage();
    int first = -1, last = -1;
    for (int x = 1; x < image.width() - 1; ++x)
        for (int y = 1; y < image.height() - 1; ++y)
            if (qGray(image.pixel(x, y)) < 96) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST(StatusBar, PanesSitAtTheirPlaces) {
    TRzStatusBar bar;
    struct Case {
        QWidget* pane;
        const char* name;
        int left;
        int width;
        Qt::Alignment align;
    };
    const Case cases[] = {
        {bar.CountCaptionPane(), "RzStatusPane1", 0, 121, Qt::AlignLeft},
        {bar.CountPane(), "RzStatusPane2", 121, 80, Qt::AlignLeft},
        {bar.ClockPane(), "RzClockStatus1", 201, 129, Qt::AlignLeft},
        {bar.VersionPane(), "RzVersionInfoStatus1", 379, 324, Qt::AlignRight},
    };
    EXPECT_EQ(bar.size(), QSize(703, 19));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.pane, nullptr);
        EXPECT_EQ(c.pane->objectName(), QString::fromLatin1(c.name));
        EXPECT_EQ(c.pane->geometry(), QRect(c.left, 0, c.width, 19));
        const auto* label = qobject_cast<QLabel*>(c.pane);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->alignment(), c.align | Qt::AlignVCenter);
        EXPECT_FALSE(label->wordWrap());
    }
    // Bare bar between the clock and the copyright.
    for (int x = 330; x < 379; ++x)
        EXPECT_EQ(bar.childAt(x, 9), nullptr) << x;
}

TEST(StatusBar, HasNoSizeGrip) {
    TRzStatusBar bar;
    EXPECT_FALSE(bar.isSizeGripEnabled());
    EXPECT_EQ(bar.findChild<QSizeGrip*>(), nullptr);
}

TEST(StatusBar, CountPaneStartsEmptyAndShowsDecimalCount) {
    TRzStatusBar bar;
    EXPECT_EQ(bar.CountCaptionPane()->text(), QStringLiteral("Найденно устройств:"));
    EXPECT_EQ(bar.CountPane()->text(), QString());
    for (int count : {0, 7, 12, 255}) {
        bar.SetDeviceCount(count);
        EXPECT_EQ(bar.CountPane()->text(), QString::number(count));
    }
}

TEST(StatusBar, CopyrightPaneShowsTheProgramsCopyright) {
    TRzStatusBar bar;
    EXPECT_EQ(bar.VersionPane()->text(), QStringLiteral("Copyright © 2026 Trevant"));
}

TEST(StatusBar, CopyrightPaneWithoutVersionInformation) {
    TRzStatusBar bar{NoVersionInfo()};
    EXPECT_EQ(bar.VersionPane()->text(), QStringLiteral("Value Not Available"));
}

TEST(StatusBar, CaptionsStartThreePixelsInsideThePane) {
    TRzStatusPane left;
    left.resize(121, 19);
    left.setText(QStringLiteral("HHHH"));
    const auto [leftFirst, leftLast] = InkColumns(left);
    EXPECT_GE(leftFirst, 3);
    EXPECT_LE(leftFirst, 5);

    TRzStatusPane right(nullptr, Qt::AlignRight);
    right.resize(121, 19);
    right.setText(QStringLiteral("HHHH"));
    const auto [rightFirst, rightLast] = InkColumns(right);
    EXPECT_LE(rightLast, 121 - 1 - 3);
    EXPECT_GE(rightLast, 121 - 1 - 5);
    (void)leftLast;
    (void)rightFirst;
}

// A pane showing only a value is named by what it shows the value of, and its value.
TEST(StatusBar, PanesAreAccessibleAsLabelsNamedByWhatTheyShow) {
    TRzStatusBar bar;
    bar.SetDeviceCount(3);
    const std::pair<QLabel*, QString> panes[] = {
        {bar.CountCaptionPane(), QStringLiteral("Найденно устройств:")},
        {bar.CountPane(), QStringLiteral("Найденно устройств: 3")},
        {bar.ClockPane(), QStringLiteral("Дата и время: ") + bar.ClockPane()->text()},
        {bar.VersionPane(), bar.VersionPane()->text()}};
    for (const auto& [pane, name] : panes) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(pane);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::StaticText);
        EXPECT_EQ(iface->text(QAccessible::Name), name);
    }
}

} // namespace
