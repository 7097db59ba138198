#include "QtTranslation.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <memory>

// An edit field's context menu, as the user right-clicking an address field sees it: every
// entry in Russian once the program has installed Qt's translation.
TEST(QtTranslationTest, EditFieldContextMenuIsRussian) {
    ASSERT_TRUE(InstallQtTranslation(*qApp));
    QLineEdit edit(QStringLiteral("192.168.1.10"));
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    const QRegularExpression cyrillic(QStringLiteral("\\p{Cyrillic}"));
    int entries = 0;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        ++entries;
        EXPECT_TRUE(action->text().contains(cyrillic)) << action->text().toStdString();
    }
    // Undo, redo, cut, copy, paste, delete, select all.
    EXPECT_EQ(entries, 7);
}
