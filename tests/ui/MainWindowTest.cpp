#include "Fonts.h"
#include "WindowFixture.h"
#include "WorkedExample.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QStatusBar>
#include <set>

namespace {

using Texts = std::vector<QString>;

TEST_F(WindowTest, DirectlyAfterStartOnlyTheRootIsShownAndTheFieldsAreEmptyAndDisabled) {
    EXPECT_EQ(form->windowTitle(), "Quorrel IP Configurator");
    EXPECT_EQ(form->size(), QSize(703, 273));
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"Quorrel"}));
    EXPECT_EQ(form->RzCheckTree1->currentIndex(), form->RzCheckTree1->Nodes()->Root());
    EXPECT_EQ(form->DeviceCountText(), "");
    for (QLineEdit* field : {form->RzEdit1, form->RzEdit2, form->RzEdit3}) {
        EXPECT_FALSE(field->isEnabled()) << field->objectName().toStdString();
        EXPECT_EQ(field->text(), "");
    }
    EXPECT_EQ(FieldTexts(), Texts(6));
    EXPECT_EQ(Marquee(), "");
    EXPECT_TRUE(form->BroadcastMode());
    EXPECT_EQ(form->Devices().Count(), 0);
}

TEST_F(WindowTest, ControlsCarryTheirCaptionsAndPlaces) {
    struct Expect {
        QWidget* widget;
        QRect geometry;
    };
    const Expect expected[] = {{form->RzToolbar1, {0, 0, 703, 29}},
                               {form->RzToolButton2, {4, 2, 171, 25}},
                               {form->RzToolButton6, {175, 2, 88, 25}},
                               {form->RzToolButton1, {633, 2, 60, 25}},
                               {form->RzCheckTree1, {8, 8, 193, 209}},
                               {form->RzMarqueeStatus1, {8, 16, 321, 25}},
                               {form->RzProgressStatus1, {336, 16, 145, 25}},
                               {form->RzEdit1, {72, 24, 145, 21}},
                               {form->RzEdit2, {280, 24, 145, 21}},
                               {form->RzEdit3, {72, 48, 145, 21}},
                               {form->RzEdit4, {72, 80, 145, 21}},
                               {form->RzEdit6, {280, 80, 145, 21}},
                               {form->RzEdit7, {280, 48, 145, 21}},
                               {form->RzBitBtn1, {72, 112, 353, 33}}};
    for (const Expect& e : expected)
        EXPECT_EQ(e.widget->geometry(), e.geometry) << e.widget->objectName().toStdString();
    EXPECT_EQ(form->RzToolButton2->text(), "Поиск широковещательный");
    EXPECT_EQ(form->RzToolButton6->text(), "Поиск по IP");
    EXPECT_EQ(form->RzToolButton1->text(), "Выход");
    EXPECT_EQ(form->RzBitBtn1->text(), "Записать параметры");
    EXPECT_TRUE(form->RzEdit4->isReadOnly());
    EXPECT_TRUE(form->RzEdit6->isReadOnly());
    EXPECT_TRUE(form->RzEdit7->isReadOnly());
    EXPECT_FALSE(form->RzEdit1->isReadOnly());
    // The fonts read ahead at start are the ones the window draws with.
    const QList<QFont> readAhead = WindowFonts();
    for (const QWidget* widget : form->findChildren<QWidget*>())
        EXPECT_TRUE(readAhead.contains(widget->font())) << widget->objectName().toStdString();
}

TEST_F(WindowTest, FieldsAreNamedByTheirLabelsForScreenReaders) {
    const std::pair<QLineEdit*, QString> fields[] = {
        {form->RzEdit1, "IP:"},  {form->RzEdit2, "Шлюз:"},  {form->RzEdit3, "Маска:"},
        {form->RzEdit4, "MAC:"}, {form->RzEdit6, "Hw/Sw:"}, {form->RzEdit7, "Порт:"}};
    for (const auto& [field, name] : fields) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(field);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name), name);
    }
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Name), "Quorrel IP Configurator");
}

TEST_F(WindowTest, TabOrderRunsThroughTheFieldsToTheWriteButton) {
    const QWidget* order[] = {form->RzEdit1, form->RzEdit2, form->RzEdit3,  form->RzEdit4,
                              form->RzEdit6, form->RzEdit7, form->RzBitBtn1};
    // The next widget that Tab can reach, as the focus chain orders them.
    const auto nextTabStop = [](const QWidget* w) {
        QWidget* next = w->nextInFocusChain();
        while (next != w && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(nextTabStop(order[i]), order[i + 1]) << order[i]->objectName().toStdString();
}

TEST_F(WindowTest, BroadcastSearchThatHearsNobodyShowsZero) {
    BroadcastSearch();
    EXPECT_EQ(Paths(), (std::vector<std::string>{"Quorrel"}));
    EXPECT_EQ(form->DeviceCountText(), "0");
    EXPECT_TRUE(form->BroadcastMode());
}

TEST_F(WindowTest, BroadcastSearchSortsTheTreeAndCountsTheControllers) {
    auto sim = StartThreeControllers();
    BroadcastSearch();
    EXPECT_EQ(Paths(), (std::vector<std::string>{
                           "Quorrel", "Quorrel/10.0.0.xxx", "Quorrel/10.0.0.xxx/10.0.0.5",
                           "Quorrel/192.168.1.xxx", "Quorrel/192.168.1.xxx/192.168.1.10",
                           "Quorrel/192.168.1.xxx/192.168.1.9"}));
    EXPECT_EQ(form->DeviceCountText(), "3");
    EXPECT_EQ(form->Devices().Count(), 3);
    EXPECT_TRUE(form->BroadcastMode());
    EXPECT_EQ(Marquee(), "");
    EXPECT_TRUE(form->RzCheckTree1->isExpanded(Node("192.168.1.xxx")));
}

TEST_F(WindowTest, SearchByAddressKeepsDiscoveryOrderAndClearsTheBroadcastFlag) {
    AddAddresses({"192.168.50.1/32"});
    auto sim = StartThreeControllers();
    // An address that is no controller's: every simulated controller answers it.
    SearchByAddress("192.168.50.1");
    EXPECT_EQ(Paths(), (std::vector<std::string>{
                           "Quorrel", "Quorrel/192.168.1.xxx", "Quorrel/192.168.1.xxx/192.168.1.10",
                           "Quorrel/192.168.1.xxx/192.168.1.9", "Quorrel/10.0.0.xxx",
                           "Quorrel/10.0.0.xxx/10.0.0.5"}));
    EXPECT_EQ(form->DeviceCountText(), "3");
    EXPECT_FALSE(form->BroadcastMode());
    const auto request = sim->WaitForEvent("request", 2000);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(Field(*request, "to"), "192.168.50.1");
}

TEST_F(WindowTest, EmptyAnswerEmptiesTheTableButKeepsTheTree) {
    auto sim = StartThreeControllers();
    BroadcastSearch();
    const size_t asked = sim->EventsNamed("request").size();
    SearchByAddress("");
    EXPECT_EQ(form->Devices().Count(), 0);
    EXPECT_EQ(Paths().size(), 6u);
    EXPECT_EQ(form->DeviceCountText(), "3");
    EXPECT_TRUE(form->BroadcastMode());
    Select("192.168.1.10");
    EXPECT_EQ(Marquee(), "Контроллер 192.168.1.10  Конфиг. не считана");
    EXPECT_FALSE(form->RzEdit1->isEnabled());
    EXPECT_EQ(ReportedEvents(*sim, "request", asked + 1).size(), asked)
        << "the cancelled search sends nothing";
}

TEST_F(WindowTest, MalformedAddressIsRefusedWithAMessageAndNothingIsSent) {
    auto sim = StartThreeControllers();
    BroadcastSearch();
    const size_t asked = sim->EventsNamed("request").size();
    DialogAnswer prompt(TypeAndEnter("192.168.1.300"));
    DialogAnswer error(PressEnter);
    form->RzToolButton6->click();
    ASSERT_TRUE(error.Answered());
    EXPECT_TRUE(error.texts.contains("Неправильный формат IP адреса"));
    EXPECT_EQ(ReportedEvents(*sim, "request", asked + 1).size(), asked);
    EXPECT_TRUE(form->BroadcastMode());
    EXPECT_EQ(Paths().size(), 6u) << "the tree keeps its nodes";
}

TEST_F(WindowTest, AllOnesLastGroupPassesAndGoesOutAsAUnicast) {
    AddAddresses({"192.168.1.255/32"});
    auto sim = StartThreeControllers();
    SearchByAddress("192.168.1.255");
    const auto request = sim->WaitForEvent("request", 2000);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(Field(*request, "to"), "192.168.1.255");
    EXPECT_FALSE(form->BroadcastMode());
}

TEST_F(WindowTest, SelectingAControllerShowsItsRecordAndTheRootOrSubnetClearsIt) {
    auto sim = StartThreeControllers();
    BroadcastSearch();
    Select("192.168.1.10");
    EXPECT_EQ(FieldTexts(), (Texts{"192.168.1.10", "255.255.255.0", "192.168.1.1", "5001",
                                   "00-1A-2B-3C-4D-5E", "Hw: 01  Sw: 02.0A"}));
    EXPECT_EQ(Marquee(), "Контроллер 192.168.1.10");
    EXPECT_TRUE(form->RzEdit1->isEnabled());
    EXPECT_TRUE(form->RzEdit2->isEnabled());
    EXPECT_TRUE(form->RzEdit3->isEnabled());

    Select("10.0.0.5");
    EXPECT_EQ(FieldTexts(), (Texts{"10.0.0.5", "255.0.0.0", "10.0.0.1", "6000", "0A-0B-0C-0D-0E-0F",
                                   "Hw: 01  Sw: 02.0A"}));

    for (const QString& caption : {QStringLiteral("192.168.1.xxx"), QStringLiteral("Quorrel")}) {
        Select("192.168.1.10");
        Select(caption);
        EXPECT_EQ(FieldTexts(), Texts(6)) << caption.toStdString();
        EXPECT_EQ(Marquee(), "");
        EXPECT_FALSE(form->RzEdit1->isEnabled());
    }
}

TEST_F(WindowTest, ShowRecordFillsTheFieldsFromTheRecord) {
    // Each record's texts are tested with the record type; here the fields they reach.
    form->ShowRecord(
        *core::ControllerRecord::FromReply(example::kReply.data(), example::kReply.size()));
    EXPECT_EQ(FieldTexts(), (Texts{"192.168.1.10", "255.255.255.0", "192.168.1.1", "5001",
                                   "00-1A-2B-3C-4D-5E", "Hw: 01  Sw: 02.0A"}));
}

TEST_F(WindowTest, ASecondSearchStartedDuringTheFirstRunsOnTheNextPort) {
    auto sim = StartThreeControllers();
    bool nested = false;
    QTimer::singleShot(300, form.get(), [&] {
        nested = true;
        BroadcastSearch();
    });
    BroadcastSearch();
    EXPECT_TRUE(nested);
    // Each search asks until its replies come, the outer one first.
    const auto requests = sim->EventsNamed("request");
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(Field(requests[0], "from"), "127.0.0.1:6002");
    std::set<std::string> from;
    for (const auto& request : requests)
        from.insert(Field(request, "from"));
    EXPECT_EQ(from, (std::set<std::string>{"127.0.0.1:6002", "127.0.0.1:6003"}));
    // the inner search emptied the tree and filled it again; the outer one sorted it
    EXPECT_EQ(form->CountDevices(), 3);
    EXPECT_EQ(form->Devices().Count(), 3);
    EXPECT_EQ(form->DeviceCountText(), "3");
}

TEST_F(WindowTest, ExitDuringASearchEndsTheProgramWhenTheSearchHasFinished) {
    auto sim = StartThreeControllers();
    bool visibleAfterExit = false;
    QTimer::singleShot(300, form.get(), [&] {
        form->RzToolButton1->click();
        visibleAfterExit = form->isVisible();
    });
    BroadcastSearch();
    EXPECT_TRUE(visibleAfterExit) << "the window stays while the search listens";
    EXPECT_FALSE(form->isVisible()) << "and closes when it has finished";
    EXPECT_EQ(form->Devices().Count(), 3);
}

TEST_F(WindowTest, ExitWhenIdleClosesTheWindow) {
    form->RzToolButton1->click();
    EXPECT_FALSE(form->isVisible());
}

} // namespace
