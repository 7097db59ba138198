#include "WindowFixture.h"

#include "ControllerRecord.h"
#include "LaptopLans.h"
#include "WorkedExample.h"

#include "Artwork.h"
#include "ProgressStatus.h"
#include "TrayIcon.h"
#include "UDPDriverQuorrelConf.h"
#include "WriteCheckNotice.h"

#include <QEvent>
#include <chrono>
#include <optional>
#include <set>

namespace {

// Counts the marquee's paints while it shows the write failure text.
class FailurePaintWatch : public QObject {
public:
    explicit FailurePaintWatch(TRzMarqueeStatus* marquee) : marquee_(marquee) {
        marquee_->installEventFilter(this);
    }
    int failurePaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && marquee_->Caption() == "Ошибка записи конфигурации")
            ++failurePaints;
        return false;
    }

private:
    TRzMarqueeStatus* marquee_;
};

const std::string kWorkedExampleFrame = example::kFrameText;

class WriteTest : public WindowTest {
protected:
    // Broadcast search against the three controllers, then 192.168.1.10 selected.
    void SearchAndSelect() {
        sim = StartThreeControllers();
        BroadcastSearch();
        Select("192.168.1.10");
        ASSERT_TRUE(form->RzEdit1->isEnabled());
    }

    void Write() { ClickWrite(); }

    // The frames the simulator reported, waiting a little for the expected number.
    std::vector<SimProcess::Event> Frames(size_t expected = 1) {
        return ReportedEvents(*sim, "frame", expected);
    }

    std::unique_ptr<SimProcess> sim;
};

TEST_F(WriteTest, TheWorkedExampleFrameReachesTheControllerByteForByte) {
    SearchAndSelect();
    Write();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "bytes"), kWorkedExampleFrame);
    EXPECT_EQ(Field(frames[0], "to"), "255.255.255.255");
    EXPECT_EQ(Field(frames[0], "from"), "127.0.0.1:6002");
    EXPECT_EQ(Field(frames[0], "result"), "accepted");
    EXPECT_EQ(Field(frames[0], "controller"), "192.168.1.10");
    // after the write: fields disabled and kept, record gone, focus on the tree
    EXPECT_FALSE(form->RzEdit1->isEnabled());
    EXPECT_EQ(form->RzEdit1->text(), "192.168.1.10");
    EXPECT_EQ(RecordOf("192.168.1.10"), "");
    EXPECT_EQ(form->focusWidget(), form->RzCheckTree1);
    EXPECT_EQ(Marquee(), "");
    EXPECT_EQ(form->RzProgressStatus1->Percent(), 0);
}

TEST_F(WriteTest, PressingAgainForTheSameControllerSendsTheSameValuesAgain) {
    SearchAndSelect();
    Write();
    Write();
    const auto frames = Frames(2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Field(frames[1], "bytes"), kWorkedExampleFrame);
}

// The MAC a frame names is the selected controller's own, whatever its field shows.
TEST_F(WriteTest, TheMacComesFromTheSelectedControllersRecordNotFromItsField) {
    SearchAndSelect();
    form->RzEdit4->setText("0a:0b:0c:0d:0e:0f"); // 10.0.0.5's MAC
    Write();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "bytes"), kWorkedExampleFrame);
    EXPECT_EQ(Field(frames[0], "result"), "accepted");
}

TEST_F(WriteTest, PortBytesAre5001WhateverThePortFieldShows) {
    sim = StartThreeControllers();
    BroadcastSearch();
    Select("10.0.0.5");
    ASSERT_EQ(form->RzEdit7->text(), "6000");
    Write();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "bytes").substr(32, 4), "8913");
}

TEST_F(WriteTest, AfterASearchByAddressTheFrameGoesToTheSelectedNode) {
    sim = StartThreeControllers();
    SearchByAddress("192.168.1.10");
    Select("192.168.1.10");
    form->RzEdit1->setText("192.168.1.20");
    Write();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "to"), "192.168.1.10");
    EXPECT_EQ(Field(frames[0], "ip"), "192.168.1.20");
}

// Each node shows the record of the controller whose reply made it, and a write changes
// that controller only.
TEST_F(WindowTest, FourControllersAtOneAddressShowAndTakeTheirOwnRecords) {
    auto sim = StartFourAtOneAddress();
    BroadcastSearch();
    const QModelIndexList nodes = Nodes("192.168.1.100");
    ASSERT_EQ(nodes.size(), 4);
    std::set<QString> macs;
    for (const QModelIndex& node : nodes) {
        form->RzCheckTree1->setCurrentIndex(node);
        macs.insert(form->RzEdit4->text());
    }
    EXPECT_EQ(macs.size(), 4u);
    form->RzCheckTree1->setCurrentIndex(nodes[2]);
    const QString mac = form->RzEdit4->text();
    form->RzEdit1->setText("192.168.1.103");
    ClickWrite();
    const auto frames = ReportedEvents(*sim, "frame");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "mac"), mac.toStdString());
    EXPECT_EQ(form->Devices().Count(), 3) << "only the written controller's line is gone";
    BroadcastSearch();
    EXPECT_EQ(Paths(), (std::vector<std::string>{"Quorrel", "Quorrel/192.168.1.xxx",
                                                 "Quorrel/192.168.1.xxx/192.168.1.100",
                                                 "Quorrel/192.168.1.xxx/192.168.1.100",
                                                 "Quorrel/192.168.1.xxx/192.168.1.100",
                                                 "Quorrel/192.168.1.xxx/192.168.1.103"}));
    Select("192.168.1.103");
    EXPECT_EQ(form->RzEdit4->text(), mac);
}

TEST_F(WriteTest, DirectlyAfterStartAWriteWouldGoToBroadcast) {
    EXPECT_TRUE(form->BroadcastMode());
}

TEST_F(WriteTest, NoFreeLocalPortShowsTheFailureTextDuringThePause) {
    SearchAndSelect();
    const core::UdpSocket held[] = {core::UdpSocket::Open(6002), core::UdpSocket::Open(6003),
                                    core::UdpSocket::Open(6004)};
    // Paint events of the marquee while the failure text is up.
    FailurePaintWatch watch(form->RzMarqueeStatus1);
    Write();
    EXPECT_GE(watch.failurePaints, 1);
    EXPECT_EQ(Marquee(), "");
    EXPECT_TRUE(sim->EventsNamed("frame").empty());
    EXPECT_EQ(RecordOf("192.168.1.10"), "") << "the record is gone all the same";
}

TEST_F(WriteTest, RoundTripTheControllerAnswersFromItsNewAddress) {
    AddAddresses({"192.168.1.20/32"});
    SearchAndSelect();
    form->RzEdit1->setText("192.168.1.20");
    Write();
    ASSERT_EQ(Frames().size(), 1u);
    BroadcastSearch();
    EXPECT_EQ(Paths(), (std::vector<std::string>{
                           "Quorrel", "Quorrel/10.0.0.xxx", "Quorrel/10.0.0.xxx/10.0.0.5",
                           "Quorrel/192.168.1.xxx", "Quorrel/192.168.1.xxx/192.168.1.20",
                           "Quorrel/192.168.1.xxx/192.168.1.9"}));
    Select("192.168.1.20");
    EXPECT_EQ(form->RzEdit1->text(), "192.168.1.20");
    EXPECT_EQ(form->RzEdit4->text(), "00-1A-2B-3C-4D-5E");
}

TEST_F(WriteTest, NeverWritesOneControllersValuesToAnother) {
    SearchAndSelect();
    Select("192.168.1.9");
    Write(); // 192.168.1.9's record is now gone
    ASSERT_EQ(Frames().size(), 1u);
    Select("192.168.1.10"); // record shown
    Select("192.168.1.9");  // no record: the fields still hold 192.168.1.10's values
    EXPECT_EQ(form->RzEdit4->text(), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(Marquee(), "Контроллер 192.168.1.9  Конфиг. не считана");
    Write();
    EXPECT_EQ(Frames(2).size(), 1u);
    EXPECT_EQ(Marquee(), "Контроллер 192.168.1.9  Конфиг. не считана");
    EXPECT_FALSE(form->RzEdit1->isEnabled());
    EXPECT_EQ(form->focusWidget(), form->RzCheckTree1);
}

TEST_F(WriteTest, ASubnetNodeSelectedSendsNothingAndDisablesTheFields) {
    SearchAndSelect();
    form->EnableEditFields(true);
    form->RzCheckTree1->blockSignals(true); // keep the fields as they are
    form->RzCheckTree1->setCurrentIndex(Node("192.168.1.xxx"));
    form->RzCheckTree1->blockSignals(false);
    Write();
    EXPECT_TRUE(sim->EventsNamed("frame").empty());
    EXPECT_FALSE(form->RzEdit1->isEnabled());
    EXPECT_EQ(form->focusWidget(), form->RzCheckTree1);
}

TEST_F(WriteTest, AMacHeardFromTwoAddressesIsNotBroadcastButWrittenByAddress) {
    sim = StartTwinControllers();
    BroadcastSearch();
    Select("192.168.1.19");
    DialogAnswer refusal(PressEnter);
    Write();
    ASSERT_TRUE(refusal.Answered());
    EXPECT_TRUE(refusal.texts.contains("MAC 00-1A-2B-3C-4D-09 ответили 192.168.1.9, 192.168.1.19: "
                                       "запись широковещанием изменит все эти контроллеры"))
        << refusal.texts.join('|').toStdString();
    EXPECT_TRUE(Frames().empty());
    EXPECT_TRUE(form->RzEdit1->isEnabled()) << "nothing was written: the fields stay as they are";
    EXPECT_EQ(RecordOf("192.168.1.19").size(), 58u);

    SearchByAddress("192.168.1.19");
    Select("192.168.1.19");
    Write();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "to"), "192.168.1.19");
    EXPECT_EQ(Field(frames[0], "controller"), "192.168.1.19");
}

struct ValidationCase {
    const char* name;
    const char* ip;
    const char* mask;
    const char* gateway;
    bool bad;
    const char* focused; // the field left with the focus, when bad
};

void PrintTo(const ValidationCase& c, std::ostream* os) {
    *os << c.name;
}

class Validation : public WindowTest, public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(Validation, ChecksTheFieldsInOrder) {
    const ValidationCase& c = GetParam();
    form->EnableEditFields(true);
    form->RzEdit1->setText(c.ip);
    form->RzEdit3->setText(c.mask);
    form->RzEdit2->setText(c.gateway);
    form->RzEdit7->setText("5001");
    EXPECT_EQ(form->ValidateBeforeWrite(), c.bad);
    if (c.bad) {
        QWidget* focused = form->focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->objectName(), c.focused);
        auto* edit = qobject_cast<QLineEdit*>(focused);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->selectedText(), edit->text());
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, Validation,
                         ::testing::Values(ValidationCase{"Good", "192.168.1.10", "255.255.255.0",
                                                          "192.168.1.1", false, ""},
                                           ValidationCase{"IpWith255", "192.168.1.255",
                                                          "255.255.255.0", "192.168.1.1", true,
                                                          "RzEdit1"},
                                           ValidationCase{"MaskZero", "192.168.1.10", "0.0.0.0",
                                                          "192.168.1.1", true, "RzEdit3"},
                                           ValidationCase{"BadIpAndGatewayFocusTheGateway", "1.2.3",
                                                          "255.255.255.0", "x", true, "RzEdit2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, DisabledFieldsAreNotCheckedButThePortAlwaysIs) {
    form->EnableEditFields(false);
    form->RzEdit1->setText("bad");
    EXPECT_FALSE(form->ValidateBeforeWrite());
    form->RzEdit7->setText("50x1");
    EXPECT_TRUE(form->ValidateBeforeWrite());
    EXPECT_EQ(form->focusWidget(), form->RzEdit7);
}

TEST_F(WindowTest, FailedCheckShowsOneMessageAndSendsNothing) {
    auto sim = StartThreeControllers();
    BroadcastSearch();
    Select("192.168.1.10");
    form->RzEdit1->setText("1.2.3");
    form->RzEdit2->setText("x");
    DialogAnswer error(PressEnter);
    ClickWrite();
    ASSERT_TRUE(error.Answered());
    EXPECT_TRUE(error.texts.contains("Ошибка параметров"));
    EXPECT_TRUE(sim->EventsNamed("frame").empty());
    EXPECT_TRUE(form->RzEdit1->isEnabled()) << "the fields keep their state";
    EXPECT_EQ(RecordOf("192.168.1.10").size(), 58u);
}

struct KeyCase {
    const char* field;
    const char* typed;
    const char* message; // empty when Enter accepts the text
    const char* after;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.field << " \"" << c.typed << '"';
}

class AddressKeys : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AddressKeys, CommaBecomesDotAndEnterChecksTheText) {
    const KeyCase& c = GetParam();
    form->EnableEditFields(true);
    auto* field = form->findChild<QLineEdit*>(c.field);
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClicks(field, c.typed);
    std::unique_ptr<DialogAnswer> answer;
    if (*c.message)
        answer = std::make_unique<DialogAnswer>(PressEnter);
    QTest::keyClick(field, Qt::Key_Return);
    if (answer) {
        ASSERT_TRUE(answer->Answered());
        EXPECT_TRUE(answer->texts.contains(QString::fromUtf8(c.message)));
    }
    EXPECT_EQ(field->text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, AddressKeys,
    ::testing::Values(KeyCase{"RzEdit1", "192,168,1,20", "", "192.168.1.20"},
                      KeyCase{"RzEdit1", "192.168.1.300", "Неправильный формат IP адреса", ""},
                      KeyCase{"RzEdit2", "10,0,0", "Неправильный формат IP адреса", ""},
                      KeyCase{"RzEdit3", "255.255.255.256", "Неправильный формат маски", ""},
                      KeyCase{"RzEdit3", "255,255,255,0", "", "255.255.255.0"}));

// A write after a broadcast search leaves by the card the controller answered on.
class LaptopWriteTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(lans.Build(), "");
        BroadcastSearch();
        Select("192.168.1.9");
        ASSERT_TRUE(form->RzEdit1->isEnabled());
        form->RzEdit1->setText("192.168.1.50");
    }
    LaptopLans lans;
};

TEST_F(LaptopWriteTest, TheFrameReachesOnlyTheLanBehindTheCardWithoutTheDefaultRoute) {
    ClickWrite();
    const auto frame = lans.officeSim->WaitForEvent("frame", 5000);
    ASSERT_TRUE(frame);
    EXPECT_EQ(Field(*frame, "bytes"), "C0A80132FFFFFF00C0A80101FFFFFFFF89130901A8C00002FFF3");
    EXPECT_EQ(Field(*frame, "to"), "255.255.255.255");
    EXPECT_EQ(Field(*frame, "result"), "accepted");
    EXPECT_FALSE(lans.wifiSim->WaitForEvent("frame", 300)) << "nothing reaches the Wi-Fi LAN";
    EXPECT_EQ(Marquee(), "");
}

TEST_F(LaptopWriteTest, ACardThatHasGoneSendsNothingAndShowsTheWriteFailure) {
    ASSERT_EQ(privatenet::RunIp({"link", "set", "eth0", "down"}), "");
    FailurePaintWatch watch(form->RzMarqueeStatus1);
    ClickWrite();
    EXPECT_GE(watch.failurePaints, 1);
    EXPECT_EQ(Marquee(), "");
    EXPECT_FALSE(lans.wifiSim->WaitForEvent("frame", 300)) << "not routed elsewhere instead";
    EXPECT_TRUE(lans.officeSim->EventsNamed("frame").empty());
}

// After a write that went out the window checks whether the controller took it and says so
// in the tray balloon.
class WriteCheckTest : public WriteTest {
protected:
    void SetUp() override {
        WriteTest::SetUp();
        delete form->RzTrayIcon1; // one with a notification area to show balloons in
        form->RzTrayIcon1 =
            new TRzTrayIcon(form.get(), artwork::Icon(artwork::kTray), [] { return true; });
        form->WriteCheck()->SetCheckTime(std::chrono::milliseconds(4000));
    }

    // 192.168.1.10 moved to 192.168.1.20 after a broadcast search.
    void MoveController(std::vector<std::string> simOptions) {
        AddAddresses({"192.168.1.20/32"});
        sim = StartThreeControllers(std::move(simOptions));
        BroadcastSearch();
        Select("192.168.1.10");
        form->RzEdit1->setText("192.168.1.20");
        Write();
    }

    // The balloon, once one is up.
    std::optional<TRzTrayIcon::Balloon> Balloon() {
        if (!QTest::qWaitFor([this] { return form->RzTrayIcon1->LastBalloon().has_value(); }, 5000))
            return std::nullopt;
        return form->RzTrayIcon1->LastBalloon();
    }
};

TEST_F(WriteCheckTest, ATakenWriteIsConfirmedAndASearchDuringTheCheckFillsTheTree) {
    MoveController({"--restart", "2000"});
    BroadcastSearch(); // while the controller restarts and the check keeps asking
    const std::vector<std::string> others = {"Quorrel", "Quorrel/10.0.0.xxx",
                                             "Quorrel/10.0.0.xxx/10.0.0.5", "Quorrel/192.168.1.xxx",
                                             "Quorrel/192.168.1.xxx/192.168.1.9"};
    EXPECT_EQ(Paths(), others);
    const auto balloon = Balloon();
    ASSERT_TRUE(balloon.has_value());
    EXPECT_EQ(balloon->title, "Параметры записаны");
    EXPECT_EQ(balloon->text, "Контроллер 00-1A-2B-3C-4D-5E отвечает с адреса 192.168.1.20");
    EXPECT_EQ(balloon->icon, QSystemTrayIcon::Information);
    EXPECT_EQ(Paths(), others) << "the check files nothing into the tree";
}

TEST_F(WriteCheckTest, AnIgnoredWriteIsNotConfirmed) {
    MoveController({"--ignore-frames"});
    const auto balloon = Balloon();
    ASSERT_TRUE(balloon.has_value());
    EXPECT_EQ(balloon->title, "Запись не подтверждена");
    EXPECT_EQ(balloon->text, "Контроллер 00-1A-2B-3C-4D-5E отвечает с адреса 192.168.1.10: IP "
                             "192.168.1.10, маска 255.255.255.0, шлюз 192.168.1.1. Новые "
                             "параметры не приняты: запишите их ещё раз.");
    EXPECT_EQ(balloon->icon, QSystemTrayIcon::Warning);
}

TEST_F(WriteCheckTest, AControllerAnsweringFromItsOldAddressIsNotConfirmed) {
    MoveController({"--answer-from-old"}); // new values in its record, from 192.168.1.10
    const auto balloon = Balloon();
    ASSERT_TRUE(balloon.has_value());
    EXPECT_EQ(balloon->title, "Запись не подтверждена");
    EXPECT_EQ(balloon->text, "Контроллер 00-1A-2B-3C-4D-5E отвечает с адреса 192.168.1.10: IP "
                             "192.168.1.20, маска 255.255.255.0, шлюз 192.168.1.1. Новые "
                             "параметры не приняты: запишите их ещё раз.");
}

// The other two balloons are shown above, from the controller's answers.
TEST(WriteCheckBalloon, WhenTheControllerDoesNotAnswer) {
    core::WriteCheckOutcome o;
    o.request.wanted.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x09};
    o.request.wanted.ip = {192, 168, 1, 150};
    const TNotifier::Message b = BalloonFor(o);
    EXPECT_EQ(b.title, "Запись не подтверждена");
    EXPECT_EQ(b.text, "Контроллер 00-1A-2B-3C-4D-09 не ответил за 10 с. Перезапустите контроллер "
                      "и повторите поиск.");
    EXPECT_EQ(b.line, "Запись не подтверждена: 192.168.1.150 (00-1A-2B-3C-4D-09)");
    EXPECT_EQ(b.kind, TNotifier::Kind::kWarning);
}

TEST_F(WriteCheckTest, AWriteThatDidNotGoOutRunsNoCheck) {
    SearchAndSelect();
    const size_t asked = sim->EventsNamed("request").size();
    std::vector<core::UdpSocket> held;
    for (uint16_t port : {6002, 6003, 6004})
        held.push_back(core::UdpSocket::Open(port));
    Write();
    held.clear();
    QTest::qWait(1000); // a check would have asked at once
    EXPECT_EQ(sim->EventsNamed("request").size(), asked);
    EXPECT_FALSE(form->RzTrayIcon1->LastBalloon().has_value());
}

} // namespace
