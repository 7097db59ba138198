// A started main window in a private network, with helpers to answer its dialogs and to
// read its tree.
#pragma once

#include "CheckTree.h"
#include "MarqueeStatus.h"
#include "MessDlgs.h"
#include "PrivateNet.h"
#include "ProgressStatus.h"
#include "QStringPrinter.h"
#include "RunSearch.h"
#include "SimControllers.h"
#include "SimProcess.h"
#include "TreePaths.h"
#include "Unit1.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Acts on the next modal dialog as soon as it is open. What the dialog showed is kept.
class DialogAnswer : public QObject {
public:
    explicit DialogAnswer(std::function<void(QWidget*)> act) : act_(std::move(act)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || done_)
                return;
            done_ = true;
            timer_.stop();
            title = dialog->windowTitle();
            for (QLabel* label : dialog->findChildren<QLabel*>())
                texts << label->text();
            act_(dialog);
        });
        timer_.start();
    }
    bool Answered() const { return done_; }
    QString title;
    QStringList texts;

private:
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    bool done_ = false;
};

// Types text into the input query and presses Enter.
inline std::function<void(QWidget*)> TypeAndEnter(const QString& text) {
    return [text](QWidget* dialog) {
        QLineEdit* edit = dialog->findChild<QLineEdit*>();
        if (edit != nullptr)
            edit->setText(text);
        QTest::keyClick(dialog, Qt::Key_Return);
    };
}

inline void PressEnter(QWidget* dialog) {
    QTest::keyClick(dialog, Qt::Key_Return);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        InitializeUnit1();
        form = std::make_unique<TForm1>();
        form->SetWriteFailurePause(100);
        form->show();
        // The window finishes its start (tray icon, site view) once it has been painted.
        ASSERT_TRUE(QTest::qWaitFor([this] { return form->RzTrayIcon1 != nullptr; }));
    }
    void TearDown() override { form.reset(); }

    std::vector<std::string> Paths() { return TreePaths(*form->RzCheckTree1->model()); }

    // Every node with this caption, searching the whole tree in tree order.
    QModelIndexList Nodes(const QString& caption) {
        const TDeviceModel* nodes = form->RzCheckTree1->Nodes();
        return nodes->match(nodes->Root(), Qt::DisplayRole, caption, -1,
                            Qt::MatchExactly | Qt::MatchRecursive);
    }
    // The first of them (invalid: none).
    QModelIndex Node(const QString& caption) { return Nodes(caption).value(0); }

    void Select(const QString& caption) {
        const QModelIndex node = Node(caption);
        ASSERT_TRUE(node.isValid()) << caption.toStdString();
        form->RzCheckTree1->setCurrentIndex(node);
    }

    // Runs the window's event loop until every search it started has ended and what an
    // empty one found has been told.
    void WaitForSearches() {
        while (form->Searching() || form->Diagnosing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    // Presses "Записать параметры" and runs the window's event loop until the write has heard
    // from the LAN whether its new address is taken.
    void ClickWrite() {
        form->RzBitBtn1->click();
        while (form->Writing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    void BroadcastSearch() {
        form->RzToolButton2->click();
        WaitForSearches();
    }

    // Search by address, answering the prompt with text.
    void SearchByAddress(const QString& text) {
        DialogAnswer answer(TypeAndEnter(text));
        form->RzToolButton6->click();
        EXPECT_TRUE(answer.Answered());
        WaitForSearches();
    }

    std::string RecordOf(const std::string& address) {
        return ::RecordOf(form->Devices(), address);
    }

    QString Marquee() { return QString::fromStdString(form->RzMarqueeStatus1->Caption()); }

    std::vector<QString> FieldTexts() {
        return {form->RzEdit1->text(), form->RzEdit3->text(), form->RzEdit2->text(),
                form->RzEdit7->text(), form->RzEdit4->text(), form->RzEdit6->text()};
    }

    std::unique_ptr<TForm1> form;
};
