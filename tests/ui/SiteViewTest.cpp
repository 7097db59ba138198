// What the window tells of the site beside its nodes, through the real widgets.
#include "ControllerList.h"
#include "LaptopLans.h"
#include "Notifier.h"
#include "WindowFixture.h"
#include "WriteCheckNotice.h"

#include <QClipboard>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <variant>

namespace {

// Search A hears 192.168.1.10, 10.0.0.5, 192.168.1.9 (then written to) and 192.168.1.30.
class SiteTest : public WindowTest {
protected:
    void SearchA() {
        AddAddresses({"192.168.1.11/32", "192.168.1.20/32", "192.168.1.30/32"});
        sim = StartThreeControllers({"--controller", "ip=192.168.1.30,mac=02-00-00-00-00-30"});
        BroadcastSearch();
        Select("192.168.1.9");
        ClickWrite();
        form->WriteCheck()->Stop();
    }
    // The captions of the bold nodes, in tree order.
    QStringList Bold() {
        QStringList bold;
        const TDeviceModel* nodes = form->RzCheckTree1->Nodes();
        for (const QModelIndex& node : nodes->match(nodes->Root(), Qt::DisplayRole, "*", -1,
                                                    Qt::MatchWildcard | Qt::MatchRecursive))
            if (node.data(Qt::FontRole).value<QFont>().bold())
                bold << node.data().toString();
        return bold;
    }
    std::unique_ptr<SimProcess> sim;
};

// Search B hears 00-1A-2B-3C-4D-5E moved to 192.168.1.20 and two new controllers at
// 192.168.1.11; 10.0.0.5 and 192.168.1.30 are gone, 192.168.1.9 (written to) is not.
TEST_F(SiteTest, NodesTellTheirDetailsNewOnesAreBoldAndGoneOnesNamed) {
    const auto bold = [this] { return Bold().join(""); };
    SearchA();
    EXPECT_EQ(bold() + form->Notifier()->WindowText(), "");
    sim = std::make_unique<SimProcess>(std::vector<std::string>{
        "--shared-addresses", "--controller", "ip=192.168.1.20,mac=00-1A-2B-3C-4D-5E",
        "--controller", "ip=192.168.1.11,mac=02-00-00-00-00-11", "--controller",
        "ip=192.168.1.11,mac=02-00-00-00-00-12"});
    ASSERT_EQ(sim->Start(), "");
    BroadcastSearch();
    const QString moved = "MAC: 00-1A-2B-3C-4D-5E\nIP: 192.168.1.20\nМаска: 255.255.255.0\nШлюз: "
                          "192.168.1.1\nПорт: 5001\nHw: 01  Sw: 02.0A\nКарта: lo\nПри прошлом "
                          "поиске отвечал с адреса 192.168.1.10";
    EXPECT_EQ(Node("192.168.1.20").data(Qt::ToolTipRole).toString(), moved);
    EXPECT_EQ(Node("192.168.1.20").data(Qt::AccessibleDescriptionRole).toString(), moved);
    const QString added = "lo\nНовый: при прошлом поиске не отвечал\nС этого же адреса ответил и "
                          "контроллер 02-00-00-00-00-12";
    EXPECT_TRUE(Node("192.168.1.11").data(Qt::ToolTipRole).toString().endsWith(added));
    EXPECT_EQ(bold(), "192.168.1.11192.168.1.11");
    EXPECT_EQ(form->RzMarqueeStatus1->accessibleDescription(),
              "Не ответили\n10.0.0.5 (0A-0B-0C-0D-0E-0F), 192.168.1.30 (02-00-00-00-00-30)");
    EXPECT_TRUE(Marquee().startsWith("Не ответили: 10.0.0.5 (") && Marquee().endsWith("…"));
    SearchByAddress("192.168.1.20");
    EXPECT_EQ(bold(), "") << "the first search by address";
    EXPECT_EQ(Node("192.168.1.20").data(Qt::ToolTipRole).toString(),
              moved.left(moved.indexOf("\nПри прошлом")));
    SearchByAddress("192.168.1.11");
    EXPECT_EQ(bold(), "192.168.1.11192.168.1.11");
    BroadcastSearch();
    EXPECT_EQ(bold() + form->Notifier()->WindowText(), "") << "as the previous broadcast search";
}

// Ctrl+C, the context menu's first item, and Ctrl+S into a folder and into none.
TEST_F(SiteTest, TheListIsCopiedAndSavedAsTheCommandLineListsIt) {
    SearchA();
    Select("192.168.1.10");
    QTest::keyClick(form->RzCheckTree1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "192.168.1.10\t192.168.1.10\t255.255.255.0\t"
              "192.168.1.1\t5001\t00-1A-2B-3C-4D-5E\t01\t02.0A\tlo");
    QWidget* view = form->RzCheckTree1->viewport();
    const QPoint at = form->RzCheckTree1->visualRect(Node("10.0.0.5")).center();
    QTest::mouseClick(view, Qt::RightButton, {}, at);
    QStringList items;
    QTimer::singleShot(50, [&] {
        auto* menu = static_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* a : menu->actions())
            items << a->text() + " " + a->shortcut().toString();
        menu->setActiveAction(menu->actions().at(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
    QApplication::sendEvent(view, &menu);
    EXPECT_EQ(items.join('|'), "Копировать Ctrl+C|Сохранить список… Ctrl+S|Открыть список… Ctrl+O|"
                               "Изменения за сеанс… Ctrl+H|Открыть план… |Применить план ");
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith("10.0.0.5\t10.0.0.5\t255.0.0.0\t"));

    const QTemporaryDir folder;
    const QRegularExpression dated(R"(^controllers-\d{4}(-\d\d){2}-\d{4}\.csv$)");
    for (const QString& path : {folder.filePath("list.csv"), QString("/nonexistent/list.csv")}) {
        QString offered;
        std::unique_ptr<DialogAnswer> error;
        DialogAnswer save([&](QWidget* d) {
            offered = QFileInfo(static_cast<QFileDialog*>(d)->selectedFiles().value(0)).fileName();
            d->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            error = std::make_unique<DialogAnswer>(PressEnter); // the next dialog, if any
            QMetaObject::invokeMethod(d, "accept");
        });
        form->activateWindow(); // Ctrl+S is the window's shortcut
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form->RzEdit1, Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(dated.match(offered).hasMatch()) << offered.toStdString();
        EXPECT_EQ(
            error->texts.contains("Список не сохранён в " + path + ": папки /nonexistent нет"),
            path.startsWith("/nonexistent"));
    }
    QFile saved(folder.filePath("list.csv"));
    EXPECT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), core::ControllersCsv(form->Devices()));
}

// Opens path with Ctrl+O, answering the file dialog; gives the texts of the error box that
// follows, if any.
QStringList OpenWithCtrlO(TForm1& form, const QString& path) {
    std::unique_ptr<DialogAnswer> error;
    DialogAnswer open([&](QWidget* d) {
        d->findChild<QLineEdit*>("fileNameEdit")->setText(path);
        error = std::make_unique<DialogAnswer>(PressEnter); // the next dialog, if any
        QMetaObject::invokeMethod(d, "accept");
    });
    form.activateWindow(); // Ctrl+O is the window's shortcut
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.RzEdit1, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(open.Answered());
    return error ? error->texts : QStringList();
}

// A list saved on an earlier visit, as the window's CSV and as the command line's JSON: the
// next broadcast search marks what is new since and names what is gone, whatever search by
// address came between (which is never compared with the list); the broadcast search after
// it compares with that search again. A file that is no list is refused and changes nothing.
TEST_F(SiteTest, TheListOfAnEarlierVisitIsComparedWithTheNextBroadcastSearch) {
    sim = StartThreeControllers();
    const QString header = "sender,ip,mask,gateway,port,mac,hardware,software,card\r\n";
    const QString earlier =
        header + "10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,6000,0A-0B-0C-0D-0E-0F,01,02.0A,lo\r\n"
                 "192.168.1.77,192.168.1.77,255.255.255.0,192.168.1.1,5001,"
                 "02-00-00-00-00-77,01,02.0A,lo\r\n";
    const auto list = std::get<core::Controllers>(core::ReadList(earlier.toStdString()));
    const QTemporaryDir folder;
    const auto write = [&folder](const QString& name, const QString& text) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return file.fileName();
    };
    const auto bold = [this] { return Bold().join(' '); };
    for (const QString& path :
         {write("earlier.csv", earlier),
          write("earlier.json", QString::fromStdString(core::ControllersJson(list)))}) {
        EXPECT_EQ(OpenWithCtrlO(*form, path), QStringList()) << path.toStdString();
        SearchByAddress("192.168.1.10");
        EXPECT_EQ(bold(), "") << "a search by address is not compared with the list";
        BroadcastSearch();
        EXPECT_EQ(bold(), "192.168.1.10 192.168.1.9") << path.toStdString();
        EXPECT_EQ(form->RzMarqueeStatus1->accessibleDescription(),
                  "Не ответили\n192.168.1.77 (02-00-00-00-00-77)");
        BroadcastSearch();
        EXPECT_EQ(bold() + form->Notifier()->WindowText(), "");
    }
    const QString bad[][2] = {
        {header + "10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,70000,0A-0B-0C-0D-0E-0F,01,02.0A,lo\r\n",
         "строка 2, поле port: неверное значение «70000»"},
        {header + "10.0.0.5,10.0.0.5\r\n", "строка 2: число полей не то, что в строке заголовка"},
        {"sender;ip\r\n", "строка 1, поле sender: его нет в строке заголовка"},
        {"[{\"sender\": \"10.0.0.5\"}]", "строка 1, поле ip: поля нет"}};
    for (const auto& [text, why] : bad) {
        const QString path = write("bad.csv", text);
        EXPECT_TRUE(OpenWithCtrlO(*form, path)
                        .contains("Файл " + path + " не открыт как список контроллеров: " + why))
            << why.toStdString();
        BroadcastSearch();
        EXPECT_EQ(bold(), "") << "compared with the search before, as without the file";
    }
}

// eth0 192.168.1.2/24 with 192.168.1.9 and 192.168.1.10: Enter says No, nothing is sent.
TEST_F(WindowTest, AWriteThatWouldBreakTheSiteAsksFirst) {
    LaptopLans lans;
    ASSERT_EQ(lans.Build(), "");
    BroadcastSearch();
    Select("192.168.1.10");
    const QString cases[][4] = {
        {"192.168.1.9", "255.255.255.0", "192.168.1.1",
         "192.168.1.9 — адрес другого найденного контроллера (02-00-C0-A8-01-09): два "
         "контроллера будут отвечать с одного адреса."},
        {"192.168.1.2", "255.255.255.0", "10.0.0.1",
         "192.168.1.2 — адрес этого компьютера: компьютер и контроллер будут отвечать с одного "
         "адреса.\nШлюз 10.0.0.1 — вне подсети 192.168.1.2 с маской 255.255.255.0: шлюз будет "
         "недоступен контроллеру."},
        {"10.1.1.1", "255.0.0.0", "10.0.0.1",
         "10.1.1.1 — вне подсети карты eth0 (192.168.1.2/24), через которую ответил контроллер "
         "192.168.1.10: после записи его найдёт только широковещательный поиск."}};
    for (const auto& c : cases) {
        form->RzEdit1->setText(c[0]);
        form->RzEdit3->setText(c[1]);
        form->RzEdit2->setText(c[2]);
        DialogAnswer no(PressEnter);
        ClickWrite();
        EXPECT_EQ(no.title, "Confirm");
        EXPECT_TRUE(no.texts.contains(c[3] + "\n\nВсё равно записать параметры?"))
            << c[0].toStdString();
        EXPECT_TRUE(form->RzEdit1->isEnabled() && RecordOf("192.168.1.10").size() == 58u);
    }
    EXPECT_TRUE(ReportedEvents(*lans.officeSim, "frame").empty());
    DialogAnswer yes([](QWidget* d) { d->findChild<QAbstractButton*>("Yes")->click(); });
    ClickWrite();
    EXPECT_EQ(Field(ReportedEvents(*lans.officeSim, "frame").at(0), "ip"), "10.1.1.1");
}

} // namespace
