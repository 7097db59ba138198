// A started main window in a private network, with helpers to answer its dialogs and to
// read its tree.
#pragma once

#include "CheckTree.h"
#include "MarqueeStatus.h"
#include "MessDlgs.h"
#include "PrivateNet.h"
#include "ProgressStatus.h"
#include "QStringPrinter.h"
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
        QApplication::processEvents();
    }
    void TearDown() override { form.reset(); }

    void AddAddresses(std::initializer_list<const char*> cidrs) {
        for (const char* cidr : cidrs)
            ASSERT_EQ(privatenet::AddAddress(cidr), "") << cidr;
    }

    // The three controllers most tests use, on two subnets.
    std::unique_ptr<SimProcess> StartThreeControllers(std::vector<std::string> extra = {}) {
        AddAddresses({"192.168.1.9/32", "192.168.1.10/32", "10.0.0.5/32"});
        std::vector<std::string> args = {
            "--controller",
            "ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E,hw=01,sw=02."
            "0A",
            "--controller",
            "ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F,port=6000",
            "--controller",
            "ip=192.168.1.9,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-60",
            "--pace-us",
            "3000"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto sim = std::make_unique<SimProcess>(args);
        const std::string error = sim->Start();
        EXPECT_EQ(error, "");
        return sim;
    }

    std::vector<std::string> Paths() { return TreePaths(*form->RzCheckTree1); }

    // The first node with this caption, searching the whole tree.
    QTreeWidgetItem* Node(const QString& caption) {
        const auto found =
            form->RzCheckTree1->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    void Select(const QString& caption) {
        QTreeWidgetItem* node = Node(caption);
        ASSERT_NE(node, nullptr) << caption.toStdString();
        form->RzCheckTree1->setCurrentItem(node);
    }

    void BroadcastSearch() { form->RzToolButton2->click(); }

    // Search by address, answering the prompt with text.
    void SearchByAddress(const QString& text) {
        DialogAnswer answer(TypeAndEnter(text));
        form->RzToolButton6->click();
        EXPECT_TRUE(answer.Answered());
    }

    QString Marquee() { return QString::fromStdString(form->RzMarqueeStatus1->Caption()); }

    std::vector<QString> FieldTexts() {
        return {form->RzEdit1->text(), form->RzEdit3->text(), form->RzEdit2->text(),
                form->RzEdit7->text(), form->RzEdit4->text(), form->RzEdit6->text()};
    }

    std::unique_ptr<TForm1> form;
};
