// What a screen reader hears of the main window and of the input query, and the window's
// images drawn for the screen's pixel density.
#include "Artwork.h"
#include "MarqueeStatus.h"
#include "MessDlgs.h"
#include "ProgressStatus.h"
#include "QStringPrinter.h"
#include "StatusPane.h"
#include "Unit1.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QString NameOf(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// The widgets under root that Tab reaches, and its status panes, that have no name.
QStringList Unnamed(QWidget* root) {
    QStringList unnamed;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (w->isVisibleTo(root) &&
            (w->focusPolicy() & Qt::TabFocus || qobject_cast<TRzStatusPane*>(w)) &&
            NameOf(w).isEmpty())
            unnamed << QLatin1String(w->metaObject()->className()) + w->objectName();
    return unnamed;
}

TEST(Accessibility, EveryFocusableWidgetAndStatusPaneOfTheWindowHasAName) {
    InitializeUnit1();
    TForm1 form;
    form.show();
    EXPECT_EQ(Unnamed(&form), QStringList());
    EXPECT_EQ(NameOf(form.RzCheckTree1), "Найденные устройства");
    EXPECT_EQ(NameOf(form.RzMarqueeStatus1), "Статус операции"); // no caption yet
    EXPECT_EQ(NameOf(form.RzProgressStatus1), "Ход операции");
}

TEST(Accessibility, TheInputQueryFieldIsNamedByItsPrompt) {
    QStringList unnamed{QStringLiteral("no dialog")};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            poll.stop();
            unnamed = Unnamed(dialog);
            EXPECT_EQ(NameOf(dialog->findChild<QLineEdit*>()), "IP адрес");
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    });
    poll.start(5);
    QString address;
    AskText(QStringLiteral("The Input Query"), QStringLiteral("IP адрес"), QString(), address);
    EXPECT_EQ(unnamed, QStringList());
}

QImage Pixels(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// At 100 % the images are the 16-pixel ones exactly as an icon of one pixmap shows them in
// each mode; at 150 % and 200 % they are drawn at 24 and 32 pixels, not enlarged.
TEST(Accessibility, ToolbarAndWriteImagesAreDrawnForTheDevicePixelRatio) {
    TForm1 form;
    QIcon oldWrite(artwork::Image(artwork::kWrite));
    oldWrite.addPixmap(artwork::Image(artwork::kWriteDisabled), QIcon::Disabled);
    const std::pair<QIcon, int> cases[] = {{form.RzToolButton2->icon(), artwork::kBroadcastSearch},
                                           {form.RzToolButton6->icon(), artwork::kSearchByAddress},
                                           {form.RzToolButton1->icon(), artwork::kExit},
                                           {form.RzBitBtn1->icon(), artwork::kWrite}};
    const QSize size(16, 16);
    for (const auto& [icon, image] : cases) {
        SCOPED_TRACE(image);
        const QIcon old = image == artwork::kWrite ? oldWrite : QIcon(artwork::Image(image));
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active})
            EXPECT_EQ(Pixels(icon.pixmap(size, 1.0, mode)), Pixels(old.pixmap(size, 1.0, mode)));
        const QPixmap sharp = icon.pixmap(size, 2.0);
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
        EXPECT_EQ(Pixels(sharp), artwork::Render(image, 32));
        EXPECT_NE(Pixels(sharp), Pixels(artwork::Image(image).scaled(32, 32, Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation)));
        EXPECT_EQ(icon.pixmap(size, 1.5).size(), QSize(24, 24));
    }
}

} // namespace
