// The message box and the input query: settings, captions, built forms and, with the dialogs
// open modally, the keys and buttons a user would press.
#include "MessDlgs.h"
#include "DialogLayout.h"
#include "DialogTestSupport.h"
#include "QStringPrinter.h"
#include "XiButton.h"
#include "XiPanel.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// ---- Settings and tables ----

TEST(DialogSettingsTest, DefaultsAndProgramValues) {
    AssignDefaultDialogSettings();
    EXPECT_EQ(DlgLanguage, 0);
    EXPECT_FALSE(DlgFormGradient);
    EXPECT_TRUE(DlgFramed);
    EXPECT_FALSE(DlgStyledButtons);
    EXPECT_EQ(DlgButtonScheme, 8);
    EXPECT_EQ(DlgPanelScheme, 4);
    EXPECT_FALSE(DlgUsePanel);
    EXPECT_FALSE(DlgUseFont);
    EXPECT_FALSE(DlgRoundCorners);
    EXPECT_EQ(DlgCornerSize, 15);
    EXPECT_EQ(DlgGradientTop, QColor(157, 185, 235));
    EXPECT_EQ(DlgGradientBottom, QColor(61, 149, 255));
    EXPECT_EQ(DlgFont.family(), QStringLiteral("Verdana"));
    EXPECT_EQ(DlgFont.pointSize(), 10);
    EXPECT_TRUE(DlgFont.bold());

    AssignProgramDialogSettings();
    EXPECT_EQ(DlgLanguage, 0);
    EXPECT_TRUE(DlgFormGradient);
    EXPECT_FALSE(DlgFramed);
    EXPECT_TRUE(DlgStyledButtons);
    EXPECT_EQ(DlgButtonScheme, TXiButton::csSky);
    EXPECT_EQ(DlgPanelScheme, TXiPanel::csSky);
    EXPECT_TRUE(DlgUsePanel);
    EXPECT_TRUE(DlgUseFont);
    EXPECT_TRUE(DlgRoundCorners);
    EXPECT_EQ(DlgCornerSize, 40);
    EXPECT_EQ(DlgGradientTop, QColor(0, 0, 128));
    EXPECT_EQ(DlgGradientBottom, QColor(0, 0, 0));
    EXPECT_EQ(DlgFont.family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(DlgFont.pointSize(), 10);
    EXPECT_TRUE(DlgFont.bold());
    AssignDefaultDialogSettings();
}

TEST(CaptionTableTest, EnglishRowAndShapeOfEveryRow) {
    const char* const english[kCaptionEntries] = {
        "Cancel", "Warning", "Error",     "Information", "Confirm", "",
        "Yes",    "No",      "OK",        "Cancel",      "Abort",   "Retry",
        "Ignore", "All",     "No to all", "Yes to all",  "Help"};
    for (int e = 0; e < kCaptionEntries; ++e)
        EXPECT_EQ(DlgCaption(0, e), QString::fromLatin1(english[e])) << e;

    for (uint8_t lang = 1; lang < kDialogLanguages; ++lang) {
        for (int e = 0; e < kCaptionEntries; ++e) {
            if (e == 5)
                EXPECT_TRUE(DlgCaption(lang, e).isEmpty()) << int(lang);
            else
                EXPECT_FALSE(DlgCaption(lang, e).isEmpty()) << int(lang) << "/" << e;
        }
        // Every other language has its own word for "Yes" and for "Cancel".
        EXPECT_NE(DlgCaption(lang, 6), QStringLiteral("Yes")) << int(lang);
        EXPECT_NE(DlgCaption(lang, 0), QStringLiteral("Cancel")) << int(lang);
        // The query's Cancel is the Cancel button's caption.
        EXPECT_EQ(DlgCaption(lang, 0), DlgCaption(lang, 9)) << int(lang);
    }
    EXPECT_EQ(DlgCaption(1, 0), QStringLiteral("Отмена"));
    EXPECT_EQ(DlgCaption(4, 6), QStringLiteral("Ja"));
    EXPECT_EQ(DlgCaption(7, 2), QStringLiteral("Σφάλμα"));
    EXPECT_EQ(DlgCaption(200, 2), QStringLiteral("Error")); // out of range reads English
}

TEST(CaptionTableTest, ButtonNamesResultsAndCaptions) {
    struct {
        TDialogButton b;
        const char* name;
        int result;
        const char* caption;
    } cases[] = {
        {dbYes, "Yes", 6, "Yes"},
        {dbNo, "No", 7, "No"},
        {dbOK, "OK", 1, "OK"},
        {dbCancel, "Cancel", 2, "Cancel"},
        {dbAbort, "Abort", 3, "Abort"},
        {dbRetry, "Retry", 4, "Retry"},
        {dbIgnore, "Ignore", 5, "Ignore"},
        {dbAll, "All", 8, "All"},
        {dbNoToAll, "NoToAll", 9, "No to all"},
        {dbYesToAll, "YesToAll", 10, "Yes to all"},
        {dbHelp, "Help", 0, "Help"},
    };
    for (const auto& t : cases) {
        EXPECT_EQ(DialogButtonName(t.b), QString::fromLatin1(t.name));
        EXPECT_EQ(DialogButtonResult(t.b), t.result) << t.name;
        EXPECT_EQ(DlgCaption(0, 6 + t.b), QString::fromLatin1(t.caption));
    }
    const TDialogButtons set{dbOK, dbCancel, dbHelp};
    EXPECT_EQ(set.Mask(), (1u << 2) | (1u << 3) | (1u << 10));
    EXPECT_EQ(set.Count(), 3);
    EXPECT_TRUE(set.Has(dbHelp));
    EXPECT_FALSE(set.Has(dbYes));
}

TEST(DialogFontTest, MissingFamiliesGetAnInstalledNeighbour) {
    for (const char* family : {"Tahoma", "Verdana", "MS Sans Serif"}) {
        QFont requested(QString::fromLatin1(family), 10, QFont::Bold);
        const QFont f = NearestDialogFont(requested);
        EXPECT_TRUE(QFontDatabase::hasFamily(f.family()))
            << family << " -> " << f.family().toStdString();
        if (QFontDatabase::hasFamily(requested.family())) {
            EXPECT_EQ(f.family(), requested.family());
        }
        EXPECT_EQ(f.pointSize(), 10);
        EXPECT_TRUE(f.bold());
    }
    const QString installed = QFontDatabase::families().value(0);
    ASSERT_FALSE(installed.isEmpty());
    EXPECT_EQ(NearestDialogFont(QFont(installed)).family(), installed);
}

// ---- Built message boxes ----

struct TSettingsFixture : ::testing::Test {
    void SetUp() override { AssignProgramDialogSettings(); }
    void TearDown() override { AssignDefaultDialogSettings(); }

    static dlglayout::TDialogUnits Units(const QFont& f) {
        QFontMetrics fm(f);
        return dlglayout::DialogUnitsFromExtent(
            QSize(fm.horizontalAdvance(dlglayout::kUnitLetters), fm.height()));
    }
    static QStringList ButtonNames(TMessageForm* form) {
        QStringList names;
        for (QAbstractButton* b : form->DialogButtons())
            names << b->objectName();
        return names;
    }
};

using MessageBoxTest = TSettingsFixture;

TEST_F(MessageBoxTest, ErrorBoxWithTheProgramsSettings) {
    const std::unique_ptr<TMessageForm> form(
        BuildMessageDialog(QStringLiteral("Неправильный формат IP адреса"), dkError, {dbOK}, 0));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Error"));

    auto* panel = form->findChild<TXiPanel*>(QStringLiteral("ThePanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), form->size());
    EXPECT_EQ(panel->ColorScheme(), TXiPanel::csSky);
    EXPECT_TRUE(panel->Caption().isEmpty());
    EXPECT_FALSE(form->HasBackgroundGradient()); // the panel switches it off

    auto* image = panel->findChild<QLabel*>(QStringLiteral("Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->pixmap().isNull());

    auto* message = panel->findChild<QLabel*>(QStringLiteral("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), QStringLiteral("Неправильный формат IP адреса"));
    EXPECT_EQ(message->palette().color(QPalette::WindowText), QColor(0, 89, 179));
    EXPECT_TRUE(message->font().bold());
    EXPECT_EQ(message->font().pointSize(), 10);
    EXPECT_TRUE(message->wordWrap());

    ASSERT_EQ(form->DialogButtons().size(), 1u);
    auto* ok = qobject_cast<TXiButton*>(form->DialogButtons()[0]);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->objectName(), QStringLiteral("OK"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->parentWidget(), panel);
    EXPECT_EQ(ok->ModalResult(), 1);
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(ok->Cancel());
    EXPECT_EQ(ok->ColorScheme(), TXiButton::csSky);
    EXPECT_TRUE(ok->font().bold());

    // Geometry follows the layout arithmetic for the form's own font.
    const dlglayout::TMessageMetrics m = dlglayout::MessageMetrics(Units(form->font()));
    EXPECT_EQ(image->geometry(), QRect(m.MarginX, m.MarginY, 32, 32));
    EXPECT_EQ(message->pos(), QPoint(m.MarginX + 32 + m.GapX, m.MarginY));
    EXPECT_EQ(ok->size(), QSize(m.BtnW, m.BtnH));
    EXPECT_EQ(ok->y(), std::max(32, message->height()) + m.MarginY + m.GapY);
    EXPECT_EQ(ok->x(), (form->width() - m.BtnW) / 2);
    EXPECT_EQ(form->height(), std::max(32, message->height()) + m.BtnH + m.GapY + 2 * m.MarginY);
    EXPECT_EQ(form->width(), message->x() + message->width() + m.MarginX);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->pos(), dlglayout::CentredTopLeft(screen, form->size()));
}

TEST_F(MessageBoxTest, CustomKindHasNoIconAndTheApplicationTitle) {
    QApplication::setApplicationDisplayName(QStringLiteral("Quorrel IP Configurator"));
    const std::unique_ptr<TMessageForm> form(
        BuildMessageDialog(QStringLiteral("Text"), dkCustom, {dbOK}, 0));
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("Image")), nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorrel IP Configurator"));
    const dlglayout::TMessageMetrics m = dlglayout::MessageMetrics(Units(form->font()));
    auto* message = form->findChild<QLabel*>(QStringLiteral("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->pos(), QPoint(m.MarginX, m.MarginY));
}

TEST_F(MessageBoxTest, TitlesOfTheKindsInTheChosenLanguage) {
    struct {
        TDialogKind kind;
        uint8_t language;
        const char* title;
    } cases[] = {{dkWarning, 0, "Warning"},         {dkError, 0, "Error"},
                 {dkInformation, 0, "Information"}, {dkConfirmation, 0, "Confirm"},
                 {dkWarning, 4, "Warnung"},         {dkError, 1, "Ошибка"}};
    for (const auto& t : cases) {
        const std::unique_ptr<TMessageForm> form(
            BuildMessageDialog(QStringLiteral("x"), t.kind, {dbYes, dbNo}, t.language));
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(t.title));
        EXPECT_NE(form->findChild<QLabel*>(QStringLiteral("Image")), nullptr);
        EXPECT_EQ(form->DialogButtons()[0]->text(), DlgCaption(t.language, 6));
    }
}

TEST_F(MessageBoxTest, ButtonsInOrderWithDefaultAndCancel) {
    struct {
        TDialogButtons set;
        QStringList names;
        const char* defaultName;
        const char* cancelName;
    } cases[] = {
        {{dbOK}, {"OK"}, "OK", "OK"},
        {{dbCancel, dbOK}, {"OK", "Cancel"}, "OK", "Cancel"},
        {{dbNo, dbYes}, {"Yes", "No"}, "Yes", "No"},
        {{dbHelp, dbCancel, dbNo, dbYes}, {"Yes", "No", "Cancel", "Help"}, "Yes", "Cancel"},
        {{dbIgnore, dbRetry, dbAbort}, {"Abort", "Retry", "Ignore"}, "Retry", ""},
        {{dbYesToAll, dbNoToAll, dbAll}, {"All", "NoToAll", "YesToAll"}, "", ""},
    };
    for (const auto& t : cases) {
        const std::unique_ptr<TMessageForm> form(
            BuildMessageDialog(QStringLiteral("Question"), dkConfirmation, t.set, 0));
        EXPECT_EQ(ButtonNames(form.get()), t.names);
        QString def, cancel;
        int lastRight = -1;
        for (QAbstractButton* b : form->DialogButtons()) {
            auto* xi = qobject_cast<TXiButton*>(b);
            ASSERT_NE(xi, nullptr);
            if (xi->Default())
                def += xi->objectName();
            if (xi->Cancel())
                cancel += xi->objectName();
            EXPECT_GT(b->x(), lastRight) << b->objectName().toStdString();
            lastRight = b->geometry().right();
        }
        EXPECT_EQ(def, QString::fromLatin1(t.defaultName));
        EXPECT_EQ(cancel, QString::fromLatin1(t.cancelName));
        // The row is centred.
        const QRect first = form->DialogButtons().front()->geometry();
        EXPECT_LE(std::abs(first.left() - (form->width() - 1 - lastRight)), 1);
    }
}

TEST_F(MessageBoxTest, LongMessageWrapsAndGrowsInHeight) {
    const QString shortText = QStringLiteral("word");
    QString longText;
    for (int i = 0; i < 120; ++i)
        longText += QStringLiteral("word ");
    const std::unique_ptr<TMessageForm> small(BuildMessageDialog(shortText, dkError, {dbOK}, 0));
    const std::unique_ptr<TMessageForm> big(BuildMessageDialog(longText, dkError, {dbOK}, 0));
    const int limit = dlglayout::WrapWidthLimit(QGuiApplication::primaryScreen()->size().width());
    auto* message = big->findChild<QLabel*>(QStringLiteral("Message"));
    ASSERT_NE(message, nullptr);
    const int lineHeight = QFontMetrics(message->font()).height();
    EXPECT_LE(message->width(), limit);
    EXPECT_GE(message->height(), 3 * lineHeight);
    EXPECT_GT(big->height(), small->height() + 2 * lineHeight);
    const dlglayout::TMessageMetrics m = dlglayout::MessageMetrics(Units(big->font()));
    EXPECT_LE(big->width(), limit + 32 + m.GapX + 2 * m.MarginX);

    // A single word longer than the limit widens the box instead.
    const QString word(limit / 4, QLatin1Char('W'));
    const std::unique_ptr<TMessageForm> wide(BuildMessageDialog(word, dkError, {dbOK}, 0));
    EXPECT_GT(wide->findChild<QLabel*>(QStringLiteral("Message"))->width(), limit);
}

TEST_F(MessageBoxTest, DefaultSettingsGiveAFramedBoxWithPushButtons) {
    AssignDefaultDialogSettings();
    const std::unique_ptr<TMessageForm> form(
        BuildMessageDialog(QStringLiteral("Text"), dkWarning, {dbOK, dbCancel}, 0));
    EXPECT_FALSE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->findChild<TXiPanel*>(), nullptr);
    EXPECT_EQ(form->findChild<TXiButton*>(), nullptr);
    auto* ok = form->findChild<QPushButton*>(QStringLiteral("OK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->parentWidget(), form.get());
    auto* message = form->findChild<QLabel*>(QStringLiteral("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->font().family(), NearestDialogFont(DlgFont).family());
    EXPECT_TRUE(form->mask().isEmpty());
}

TEST_F(MessageBoxTest, BackgroundGradientAndRoundedWindowWithoutPanel) {
    DlgUsePanel = false;
    DlgFramed = true;
    const std::unique_ptr<TMessageForm> form(
        BuildMessageDialog(QStringLiteral("Text"), dkInformation, {dbOK}, 0));
    EXPECT_TRUE(form->HasBackgroundGradient());
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    const QRegion mask = form->mask();
    ASSERT_FALSE(mask.isEmpty());
    const int w = form->width(), h = form->height();
    EXPECT_TRUE(mask.contains(QPoint(w / 2, h / 2)));
    EXPECT_TRUE(mask.contains(QPoint(w / 2, 0)));
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(w - 1, h - 1)));
    EXPECT_TRUE(mask.contains(QPoint(20, 20))); // inside the 20-pixel corner radius curve

    const QImage img = form->grab().toImage();
    EXPECT_EQ(Pixel(img, 2, 0), QColor(0, 0, 128));
    EXPECT_EQ(Pixel(img, 2, h - 1), QColor(0, 0, 0));
    EXPECT_EQ(Pixel(img, 2, h / 2),
              dlglayout::BackgroundLineColour({0, 0, 128}, {0, 0, 0}, h / 2, h));
}

// ---- Modal message boxes ----

using ModalMessageTest = TSettingsFixture;

TEST_F(ModalMessageTest, EnterAndEscapeBothCloseTheErrorBoxWithOne) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QString title;
        QStringList buttons;
        TDialogAnswer answer([&](QWidget* dlg) {
            title = dlg->windowTitle();
            for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>())
                buttons << b->text();
            QTest::keyClick(KeyTarget(dlg), Qt::Key(key));
        });
        EXPECT_EQ(MessageDialog(QStringLiteral("Ошибка параметров"), dkError, {dbOK}, 0), 1) << key;
        EXPECT_TRUE(answer.Answered());
        EXPECT_EQ(title, QStringLiteral("Error"));
        EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    }
}

TEST_F(ModalMessageTest, ShowErrorMessageIsModalAndClosesOnEnter) {
    bool modalForm = false, visible = false;
    TDialogAnswer answer([&](QWidget* dlg) {
        modalForm = qobject_cast<TMessageForm*>(dlg) && dlg->isModal();
        visible = dlg->isVisible();
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    ShowErrorMessage(QStringLiteral("Неправильный формат маски"));
    EXPECT_TRUE(answer.Answered());
    EXPECT_TRUE(modalForm);
    EXPECT_TRUE(visible);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ModalMessageTest, KeysAndButtonsGiveTheirResultCodes) {
    struct {
        TDialogButtons set;
        int key; // 0: click the named button instead
        const char* button;
        int expected;
    } cases[] = {
        {{dbYes, dbNo}, Qt::Key_Return, "", 6},
        {{dbYes, dbNo}, Qt::Key_Escape, "", 7},
        {{dbOK, dbCancel}, Qt::Key_Escape, "", 2},
        {{dbYes, dbNo, dbCancel}, 0, "No", 7},
        {{dbAbort, dbRetry, dbIgnore}, 0, "Ignore", 5},
        {{dbAll, dbNoToAll, dbYesToAll}, 0, "YesToAll", 10},
    };
    for (const auto& t : cases) {
        TDialogAnswer answer([&](QWidget* dlg) {
            if (t.key != 0) {
                QTest::keyClick(KeyTarget(dlg), Qt::Key(t.key));
            } else if (auto* b = dlg->findChild<QAbstractButton*>(QString::fromLatin1(t.button))) {
                QTest::mouseClick(b, Qt::LeftButton);
            }
        });
        EXPECT_EQ(MessageDialog(QStringLiteral("Question"), dkConfirmation, t.set, 0), t.expected)
            << t.button << " " << t.key;
    }
}

TEST_F(ModalMessageTest, HelpButtonKeepsTheDialogOpen) {
    std::vector<int32_t> helpTopics;
    bool openAfterHelp = false;
    TDialogAnswer answer([&](QWidget* dlg) {
        auto* form = qobject_cast<TMessageForm*>(dlg);
        ASSERT_NE(form, nullptr);
        QObject::connect(form, &TMessageForm::helpRequested,
                         [&](int32_t topic) { helpTopics.push_back(topic); });
        auto* help = dlg->findChild<QAbstractButton*>(QStringLiteral("Help"));
        ASSERT_NE(help, nullptr);
        QTest::mouseClick(help, Qt::LeftButton);
        openAfterHelp = dlg->isVisible();
        QTest::mouseClick(dlg->findChild<QAbstractButton*>(QStringLiteral("OK")), Qt::LeftButton);
    });
    EXPECT_EQ(MessageDialog(QStringLiteral("Text"), dkInformation, {dbOK, dbHelp}, 77), 1);
    EXPECT_TRUE(openAfterHelp);
    EXPECT_EQ(helpTopics, std::vector<int32_t>{77});
}

TEST_F(ModalMessageTest, ExplicitPositionMovesOnlyTheGivenEdges) {
    struct {
        int top, left;
        bool keepX, keepY;
    } cases[] = {{10, 20, false, false}, {-1, 30, false, true}, {40, -1, true, false}};
    for (const auto& t : cases) {
        QPoint pos;
        TDialogAnswer answer([&](QWidget* dlg) {
            pos = dlg->pos();
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        MessageDialogAt(QStringLiteral("Text"), dkError, {dbOK}, 0, t.top, t.left, 0);
        const std::unique_ptr<TMessageForm> ref(
            BuildMessageDialog(QStringLiteral("Text"), dkError, {dbOK}, 0));
        EXPECT_EQ(pos.x(), t.keepX ? ref->x() : t.left);
        EXPECT_EQ(pos.y(), t.keepY ? ref->y() : t.top);
    }
}

// ---- Input query ----

using InputQueryTest = TSettingsFixture;

TEST_F(InputQueryTest, WhatTheUserSeesWithTheProgramsSettings) {
    bool frameless = false, editFocused = false, editSelected = false;
    QString title, okText, cancelText, prompt;
    QRect okRect, cancelRect, editRect;
    QSize client;
    QFont formFont;
    TDialogAnswer answer([&](QWidget* dlg) {
        frameless = dlg->windowFlags() & Qt::FramelessWindowHint;
        title = dlg->windowTitle();
        client = dlg->size();
        formFont = dlg->font();
        auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        editFocused = edit != nullptr && dlg->isAncestorOf(edit);
        if (edit) {
            editSelected = edit->selectedText() == edit->text();
            editRect = edit->geometry();
        }
        for (QLabel* l : dlg->findChildren<QLabel*>())
            prompt += l->text();
        for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>()) {
            if (b->text() == QStringLiteral("OK")) {
                okText = b->text();
                okRect = b->geometry();
            } else {
                cancelText = b->text();
                cancelRect = b->geometry();
            }
        }
        QTest::keyClick(KeyTarget(dlg), Qt::Key_Escape);
    });
    QString value;
    EXPECT_FALSE(
        AskText(QStringLiteral("The Input Query"), QStringLiteral("IP адрес"), QString(), value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_TRUE(frameless);
    EXPECT_EQ(title, QStringLiteral("The Input Query"));
    EXPECT_EQ(prompt, QStringLiteral("IP адрес"));
    EXPECT_TRUE(editFocused);
    EXPECT_TRUE(editSelected);
    EXPECT_EQ(okText, QStringLiteral("OK"));
    EXPECT_EQ(cancelText, QStringLiteral("Cancel"));

    const dlglayout::TQueryLayout l = dlglayout::LayoutInputQuery(Units(formFont));
    EXPECT_EQ(client, l.Client);
    EXPECT_EQ(okRect, l.Ok);
    EXPECT_EQ(cancelRect, l.Cancel);
    EXPECT_EQ(editRect.topLeft(), QPoint(l.EditLeft, l.EditTop));
    EXPECT_EQ(editRect.width(), l.EditWidth);
}

TEST_F(InputQueryTest, EnterChoosesOkAndEscapeCancel) {
    struct {
        const char* typed;
        int key;
        bool expectOk;
        const char* expectValue;
    } cases[] = {
        {"10.0.0.1", Qt::Key_Return, true, "10.0.0.1"},
        {"10.0.0.1", Qt::Key_Enter, true, "10.0.0.1"},
        {"10.0.0.1", Qt::Key_Escape, false, "start"},
        {"", Qt::Key_Return, true, "start"}, // untouched default comes back
    };
    for (const auto& t : cases) {
        TDialogAnswer answer([&](QWidget* dlg) {
            QWidget* target = KeyTarget(dlg);
            QTest::keyClicks(target, QString::fromLatin1(t.typed));
            QTest::keyClick(target, Qt::Key(t.key));
        });
        QString value = QStringLiteral("start");
        EXPECT_EQ(InputQueryDialog(QStringLiteral("Query"), QStringLiteral("Prompt"), value, 0),
                  t.expectOk)
            << t.typed << " " << t.key;
        EXPECT_EQ(value, QString::fromLatin1(t.expectValue));
    }
}

TEST_F(InputQueryTest, OkWithAnEmptyEditReturnsTrueAndEmpty) {
    TDialogAnswer answer([&](QWidget* dlg) {
        QTest::keyClick(KeyTarget(dlg), Qt::Key_Backspace); // the default is selected
        for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>())
            if (b->text() == QStringLiteral("OK"))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    QString value;
    EXPECT_TRUE(AskText(QStringLiteral("Query"), QStringLiteral("Prompt"),
                        QStringLiteral("192.168.1.1"), value));
    EXPECT_EQ(value, QString());
}

TEST_F(InputQueryTest, CancelButtonLeavesTheValue) {
    for (uint8_t language : {0, 1, 6}) {
        QString cancelText;
        TDialogAnswer answer([&](QWidget* dlg) {
            QTest::keyClicks(KeyTarget(dlg), QStringLiteral("typed"));
            for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>())
                if (b->text() != QStringLiteral("OK")) {
                    cancelText = b->text();
                    QTest::mouseClick(b, Qt::LeftButton);
                }
        });
        QString value = QStringLiteral("kept");
        EXPECT_FALSE(InputQueryDialog(QStringLiteral("Q"), QStringLiteral("P"), value, language));
        EXPECT_EQ(value, QStringLiteral("kept"));
        EXPECT_EQ(cancelText, DlgCaption(language, 0));
    }
}

TEST_F(InputQueryTest, TypingStopsAt255Characters) {
    TDialogAnswer answer([&](QWidget* dlg) {
        QWidget* target = KeyTarget(dlg);
        QTest::keyClicks(target, QString(300, QLatin1Char('7')));
        QTest::keyClick(target, Qt::Key_Return);
    });
    QString value;
    EXPECT_TRUE(AskText(QStringLiteral("Q"), QStringLiteral("P"), QString(), value));
    EXPECT_EQ(value, QString(255, QLatin1Char('7')));
}

TEST_F(InputQueryTest, StandardButtonsAnswerTheSameKeys) {
    AssignDefaultDialogSettings();
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        bool framed = false;
        TDialogAnswer answer([&](QWidget* dlg) {
            framed = !(dlg->windowFlags() & Qt::FramelessWindowHint);
            QWidget* target = KeyTarget(dlg);
            QTest::keyClicks(target, QStringLiteral("abc"));
            QTest::keyClick(target, Qt::Key(key));
        });
        QString value;
        const bool ok = AskText(QStringLiteral("Q"), QStringLiteral("P"), QString(), value);
        EXPECT_TRUE(framed);
        EXPECT_EQ(ok, key == Qt::Key_Return);
        EXPECT_EQ(value, ok ? QStringLiteral("abc") : QString());
    }
}

} // namespace
