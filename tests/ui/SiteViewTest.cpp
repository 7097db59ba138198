// What the window tells of the site beside its nodes, through the real widgets: details on
// each controller node, new controllers in bold, gone ones named, the list copied and saved,
// and the question before a write that would break the site.
#include "WindowFixture.h"

#include "LaptopLans.h"
#include "Notifier.h"
#include "WriteCheckNotice.h"

#include <QAccessible>
#include <QClipboard>
#include <QFileDialog>
#include <QHelpEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolTip>
#include <fstream>
#include <sstream>

namespace {

// Search A hears 192.168.1.10 (00-1A-2B-3C-4D-5E), 10.0.0.5, 192.168.1.9 and 192.168.1.30;
// the window then writes a new gateway to 192.168.1.9. Search B hears 00-1A-2B-3C-4D-5E at
// 192.168.1.20 and two new controllers at 192.168.1.11.
class SiteTest : public WindowTest {
protected:
    void SearchA() {
        AddAddresses({"192.168.1.11/32", "192.168.1.20/32", "192.168.1.30/32"});
        sim = StartThreeControllers({"--controller", "ip=192.168.1.30,mac=02-00-00-00-00-30"});
        BroadcastSearch();
        Select("192.168.1.9");
        form->RzEdit2->setText("192.168.1.254");
        form->RzBitBtn1->click();
        form->WriteCheck()->Stop();
    }
    void SearchB() {
        sim = std::make_unique<SimProcess>(std::vector<std::string>{
            "--shared-addresses", "--controller", "ip=192.168.1.20,mac=00-1A-2B-3C-4D-5E",
            "--controller", "ip=192.168.1.11,mac=02-00-00-00-00-11", "--controller",
            "ip=192.168.1.11,mac=02-00-00-00-00-12"});
        ASSERT_EQ(sim->Start(), "");
        BroadcastSearch();
    }
    std::vector<QString> BoldNodes() {
        std::vector<QString> bold;
        for (QTreeWidgetItemIterator it(form->RzCheckTree1); *it != nullptr; ++it)
            if ((*it)->font(0).bold())
                bold.push_back((*it)->text(0));
        return bold;
    }
    std::unique_ptr<SimProcess> sim;
};

const QString kCard = "Порт: 5001\nHw: 01  Sw: 02.0A\nКарта: lo";

TEST_F(SiteTest, EachControllerNodeTellsItsDetailsAsTooltipAndDescription) {
    SearchA();
    EXPECT_EQ(Node("192.168.1.10")->toolTip(0), "MAC: 00-1A-2B-3C-4D-5E\nIP: 192.168.1.10\nМаска: "
                                                "255.255.255.0\nШлюз: 192.168.1.1\n" +
                                                    kCard);
    SearchB();
    // What the tooltip over the node shows, and what a screen reader hears of it.
    QTreeWidget* tree = form->RzCheckTree1;
    const QPoint at = tree->visualItemRect(Node("192.168.1.20")).center();
    QHelpEvent help(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &help);
    const QString moved = "MAC: 00-1A-2B-3C-4D-5E\nIP: 192.168.1.20\nМаска: 255.255.255.0\nШлюз: "
                          "192.168.1.1\n" +
                          kCard + "\nПри прошлом поиске отвечал с адреса 192.168.1.10";
    EXPECT_EQ(QToolTip::text(), moved);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(tree);
    QStringList heard;
    for (int i = 0; i < reader->childCount(); ++i)
        heard << reader->child(i)->text(QAccessible::Name) + ": " +
                     reader->child(i)->text(QAccessible::Description);
    EXPECT_TRUE(heard.contains("192.168.1.20: " + moved)) << heard.join('|').toStdString();
    EXPECT_TRUE(
        Node("192.168.1.11")
            ->toolTip(0)
            .endsWith(
                "\nНовый: при прошлом поиске не отвечал\nС этого же адреса ответил и контроллер "
                "02-00-00-00-00-12"));
}

// Bold: heard now, not by the previous search of the same kind.
TEST_F(SiteTest, NewControllersAreBoldAfterTheSecondSearchOfAKind) {
    SearchA();
    EXPECT_EQ(BoldNodes(), std::vector<QString>{});
    SearchB();
    EXPECT_EQ(BoldNodes(), (std::vector<QString>{"192.168.1.11", "192.168.1.11"}));
    SearchByAddress("192.168.1.20");
    EXPECT_EQ(BoldNodes(), std::vector<QString>{}) << "the first search by address";
    SearchByAddress("192.168.1.11");
    EXPECT_EQ(BoldNodes(), (std::vector<QString>{"192.168.1.11", "192.168.1.11"}));
    BroadcastSearch();
    EXPECT_EQ(BoldNodes(), std::vector<QString>{}) << "as the previous broadcast search";
}

// Not gone: 00-1A-2B-3C-4D-5E moved, 192.168.1.9 was written to.
TEST_F(SiteTest, ControllersNoLongerHeardAreNamedAfterABroadcastSearch) {
    SearchA();
    EXPECT_EQ(form->Notifier()->WindowText(), "");
    SearchB();
    const QString gone = "Не ответили\n10.0.0.5 (0A-0B-0C-0D-0E-0F), 192.168.1.30 "
                         "(02-00-00-00-00-30)";
    EXPECT_EQ(form->Notifier()->WindowText(), gone);
    EXPECT_TRUE(Marquee().startsWith("Не ответили: 10.0.0.5 (") && Marquee().endsWith("…"))
        << Marquee().toStdString();
    EXPECT_EQ(form->RzMarqueeStatus1->accessibleDescription(), gone);
    BroadcastSearch();
    EXPECT_EQ(form->Notifier()->WindowText(), "") << "nothing more has gone";
}

TEST_F(SiteTest, TheListIsCopiedAndSavedAsTheCommandLineListsIt) {
    SearchA();
    QTreeWidget* tree = form->RzCheckTree1;
    Select("192.168.1.10");
    QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "192.168.1.10\t192.168.1.10\t255.255.255.0\t"
              "192.168.1.1\t5001\t00-1A-2B-3C-4D-5E\t01\t02.0A\tlo");
    // The context menu on 10.0.0.5: its items, and "Копировать" chosen.
    const QPoint at = tree->visualItemRect(Node("10.0.0.5")).center();
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, at);
    QStringList items;
    QTimer menuOpen;
    QObject::connect(&menuOpen, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuOpen.stop();
            for (QAction* a : menu->actions())
                items << a->text() + " " + a->shortcut().toString() +
                             (a->isEnabled() ? "" : " off");
            menu->setActiveAction(menu->actions().at(0));
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    menuOpen.start(5);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &menu);
    EXPECT_EQ(items, QStringList({"Копировать Ctrl+C", "Сохранить список… Ctrl+S"}));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith("10.0.0.5\t10.0.0.5\t255.0.0.0\t"));

    // Ctrl+S: the file dialog offers the dated name; the file is the command line's CSV, and a
    // folder that is not there is named in the message box.
    const QTemporaryDir folder;
    const QString saved = folder.filePath("list.csv");
    for (const QString& path : {saved, QString("/nonexistent/list.csv")}) {
        QString offered;
        std::unique_ptr<DialogAnswer> error;
        DialogAnswer dialog([&](QWidget* d) {
            offered = QFileInfo(static_cast<QFileDialog*>(d)->selectedFiles().value(0)).fileName();
            d->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            error = std::make_unique<DialogAnswer>(PressEnter); // the next dialog, if any
            QMetaObject::invokeMethod(d, "accept");
        });
        form->activateWindow(); // Ctrl+S is the window's shortcut
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form->RzEdit1, Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(QRegularExpression("^controllers-\\d{4}-\\d\\d-\\d\\d-\\d{4}\\.csv$")
                        .match(offered)
                        .hasMatch())
            << offered.toStdString();
        ASSERT_TRUE(error);
        EXPECT_EQ(error->texts.contains("Список не сохранён в /nonexistent/list.csv: папки "
                                        "/nonexistent нет"),
                  path != saved)
            << error->texts.join('|').toStdString();
    }
    std::ostringstream bytes;
    bytes << std::ifstream(saved.toStdString(), std::ios::binary).rdbuf();
    EXPECT_EQ(bytes.str(),
              "sender,ip,mask,gateway,port,mac,hardware,software,card\r\n"
              "192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-5E,01,"
              "02.0A,lo\r\n10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,6000,0A-0B-0C-0D-0E-0F,01,02.0A,"
              "lo\r\n192.168.1.30,192.168.1.30,255.255.255.0,192.168.1.1,5001,02-00-00-00-00-30,"
              "01,02.0A,lo\r\n");
}

// On the laptop of LaptopLans (eth0 192.168.1.2/24 with 192.168.1.9 and 192.168.1.10): each
// case asked on its own, No by Enter; then Yes writes.
TEST_F(WindowTest, AWriteThatWouldBreakTheSiteAsksFirst) {
    LaptopLans lans;
    ASSERT_EQ(lans.Build(), "");
    BroadcastSearch();
    Select("192.168.1.10");
    const QString again = "\n\nВсё равно записать параметры?";
    const struct Case {
        const char *ip, *mask, *gateway;
        QString question;
    } cases[] = {
        {"192.168.1.9", "255.255.255.0", "192.168.1.1",
         "192.168.1.9 — адрес другого найденного контроллера (02-00-C0-A8-01-09): два "
         "контроллера будут отвечать с одного адреса."},
        {"192.168.1.2", "255.255.255.0", "192.168.1.1",
         "192.168.1.2 — адрес этого компьютера: компьютер и контроллер будут отвечать с одного "
         "адреса."},
        {"10.1.1.1", "255.0.0.0", "10.0.0.1",
         "10.1.1.1 — вне подсети карты eth0 (192.168.1.2/24), через которую ответил контроллер "
         "192.168.1.10: после записи его найдёт только широковещательный поиск."},
        {"192.168.1.10", "255.255.255.0", "10.0.0.1",
         "Шлюз 10.0.0.1 — вне подсети 192.168.1.10 с маской 255.255.255.0: шлюз будет "
         "недоступен контроллеру."},
    };
    for (const Case& c : cases) {
        form->RzEdit1->setText(c.ip);
        form->RzEdit3->setText(c.mask);
        form->RzEdit2->setText(c.gateway);
        DialogAnswer no(PressEnter);
        form->RzBitBtn1->click();
        EXPECT_EQ(no.title, "Confirm");
        EXPECT_TRUE(no.texts.contains(c.question + again)) << no.texts.join('|').toStdString();
        EXPECT_TRUE(form->RzEdit1->isEnabled()) << c.ip;
        EXPECT_EQ(RecordOf("192.168.1.10").size(), 58u);
    }
    EXPECT_TRUE(ReportedEvents(*lans.officeSim, "frame").empty());
    DialogAnswer yes([](QWidget* d) { d->findChild<QAbstractButton*>("Yes")->click(); });
    form->RzBitBtn1->click();
    ASSERT_TRUE(yes.Answered());
    const auto frames = ReportedEvents(*lans.officeSim, "frame");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "gw"), "10.0.0.1");
}

} // namespace
