// What the window tells beyond its dialogs on a desktop without a notification area: a
// private session bus with a stand-in notification service that records each Notify call,
// no tray (the offscreen platform has none), controllers from the simulator.
#include "WindowFixture.h"

#include "Artwork.h"
#include "Notifier.h"
#include "SessionBus.h"
#include "SwitchedLan.h"
#include "Topology.h"
#include "TrayIcon.h"
#include "WriteCheckNotice.h"

#include <QDBusConnection>
#include <QDir>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace {

// org.freedesktop.Notifications as far as the program uses it.
class NotificationStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, icon, summary, body;
        QVariantMap hints;
    };
    std::vector<Call> calls;

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        calls.push_back({app, icon, summary, body, hints});
        return static_cast<uint>(calls.size());
    }
};

const char* const kStandInConnection = "notification-stand-in";

class NotifyWindowTest : public WindowTest {
protected:
    // The program's own session bus connection is made at its first use, from this address.
    static void SetUpTestSuite() {
        bus = new SessionBus;
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus->Address().c_str(), 1);
    }
    static void TearDownTestSuite() {
        QDBusConnection::disconnectFromBus(kStandInConnection);
        delete bus;
        bus = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(bus->Error(), "");
        ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "these tests need no tray";
        WindowTest::SetUp();
        form->WriteCheck()->SetCheckTime(std::chrono::milliseconds(4000));
    }
    void TearDown() override {
        StopService();
        LaptopFirewall::Run("nft flush ruleset");
        WindowTest::TearDown();
    }

    void StartService() {
        QDBusConnection c = QDBusConnection::connectToBus(QString::fromStdString(bus->Address()),
                                                          kStandInConnection);
        ASSERT_TRUE(c.isConnected());
        ASSERT_TRUE(c.registerObject("/org/freedesktop/Notifications", &standIn,
                                     QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(c.registerService("org.freedesktop.Notifications"));
    }
    void StopService() {
        QDBusConnection c(kStandInConnection);
        c.unregisterService("org.freedesktop.Notifications");
        c.unregisterObject("/org/freedesktop/Notifications");
    }

    // The notifications that arrived, waiting a while for the expected number.
    const std::vector<NotificationStandIn::Call>& Notifications(size_t expected) {
        (void)QTest::qWaitFor([&] { return standIn.calls.size() >= expected; }, 6000);
        return standIn.calls;
    }

    // Waits for the write check's outcome to stand in the window.
    QString WindowTextAfterWrite() {
        (void)QTest::qWaitFor([&] { return !form->Notifier()->WindowText().isEmpty(); }, 6000);
        return form->Notifier()->WindowText();
    }

    // What the window shows of the standing message, and what a screen reader reads.
    // line: how the marquee's caption begins.
    void ExpectInWindow(const QString& title, const QString& text, const QString& line) {
        const QString whole = title + "\n" + text;
        EXPECT_EQ(form->Notifier()->WindowText(), whole);
        EXPECT_TRUE(Marquee().startsWith(line)) << Marquee().toStdString();
        EXPECT_EQ(form->RzMarqueeStatus1->toolTip(), whole);
        EXPECT_EQ(form->RzMarqueeStatus1->accessibleDescription(), whole);
    }

    static SessionBus* bus;
    NotificationStandIn standIn;
    std::unique_ptr<SimProcess> sim;
};

SessionBus* NotifyWindowTest::bus = nullptr;

void ExpectFromTheProgram(const NotificationStandIn::Call& call, uchar urgency) {
    EXPECT_EQ(call.app, "Quorrel IP Configurator");
    EXPECT_EQ(call.icon, "quorrel-ip-configurator");
    EXPECT_EQ(call.hints.value("urgency").value<uchar>(), urgency);
    // The menu entry's id: the name of the package's .desktop file.
    const QString entry = call.hints.value("desktop-entry").toString();
    EXPECT_TRUE(
        QFile::exists(QStringLiteral(QUORREL_SOURCE_DIR "/packaging/") + entry + ".desktop"))
        << entry.toStdString();
}

// A write the controller took and one it ignored: each arrives as a notification with the
// balloon's title and text, a write that did not take as critical, and stands in the window
// until the next search.
TEST_F(NotifyWindowTest, WriteOutcomesArriveAsNotificationsAndStandInTheWindow) {
    StartService();
    AddAddresses({"192.168.1.20/32"});
    struct Case {
        std::vector<std::string> simOptions;
        QString title;
        QString address; // the controller answers from it
        uchar urgency;
    };
    const Case cases[] = {{{}, "Параметры записаны", "192.168.1.20", 1},
                          {{"--ignore-frames"}, "Запись не подтверждена", "192.168.1.10", 2}};
    size_t count = 0;
    for (const Case& c : cases) {
        sim.reset();
        sim = StartThreeControllers(c.simOptions);
        BroadcastSearch();
        EXPECT_EQ(form->Notifier()->WindowText(), "") << "a search ends the message before it";
        Select("192.168.1.10");
        form->RzEdit1->setText("192.168.1.20");
        form->RzBitBtn1->click();
        const auto& calls = Notifications(++count);
        ASSERT_EQ(calls.size(), count) << c.title.toStdString();
        const auto& call = calls.back();
        EXPECT_EQ(call.summary, c.title);
        EXPECT_TRUE(
            call.body.startsWith("Контроллер 00-1A-2B-3C-4D-5E отвечает с адреса " + c.address))
            << call.body.toStdString();
        ExpectFromTheProgram(call, c.urgency);
        EXPECT_EQ(WindowTextAfterWrite(), call.summary + "\n" + call.body);
        ExpectInWindow(call.summary, call.body, call.summary + ": Контроллер 00-1A-2B");
        // Selecting a controller shows it in the marquee as before; the root brings the
        // message back.
        Select("192.168.1.9");
        EXPECT_EQ(Marquee(), "Контроллер 192.168.1.9");
        EXPECT_EQ(form->RzMarqueeStatus1->toolTip(), "");
        Select("Quorrel");
        ExpectInWindow(call.summary, call.body, call.summary + ": Контроллер 00-1A-2B");
    }
}

// The window's line when the namespace has no card but lo.
const QString kNoCard = "Нет ответа: ни одна сетевая карта не включена";

const QString kAdvice = "Брандмауэр ufw может не пропускать ответы контроллеров. Откройте порты "
                        "6002-6004/udp: sudo ufw allow quorrel-ip-configurator";

// The firewall advice after an empty broadcast search, as news; the same account again
// after the next empty search stands in the window but is not sent twice.
TEST_F(NotifyWindowTest, FirewallAdviceArrivesAsANotificationAndStandsInTheWindow) {
    ASSERT_EQ(LaptopFirewall().PrivateFiles(), "");
    std::ofstream("/etc/ufw/ufw.conf") << "ENABLED=yes\n";
    StartService();
    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    const auto& calls = Notifications(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].summary, "Контроллеры не найдены");
    EXPECT_TRUE(calls[0].body.endsWith("\n" + kAdvice)) << calls[0].body.toStdString();
    ExpectFromTheProgram(calls[0], 1);
    ExpectInWindow(calls[0].summary, calls[0].body, kNoCard);

    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    EXPECT_EQ(Notifications(2).size(), 1u);
    ExpectInWindow(calls[0].summary, calls[0].body, kNoCard);
}

// Without a notification service the window alone says it; a service that comes later is
// used for the next message.
TEST_F(NotifyWindowTest, WithoutTheServiceTheWindowAloneSaysIt) {
    ASSERT_EQ(LaptopFirewall().PrivateFiles(), "");
    std::ofstream("/etc/ufw/ufw.conf") << "ENABLED=yes\n";
    BroadcastSearch();
    const QString account = form->Notifier()->WindowText();
    EXPECT_TRUE(account.endsWith("\n" + kAdvice)) << account.toStdString();
    ExpectInWindow("Контроллеры не найдены", account.section('\n', 1), kNoCard);

    StartService();
    std::ofstream("/etc/ufw/ufw.conf") << "ENABLED=no\n"; // a new account
    BroadcastSearch();
    const auto& calls = Notifications(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].body.contains("ufw"));
    ExpectInWindow(calls[0].summary, calls[0].body, kNoCard);
}

// Where a tray shows, the balloons as before and no notification, nothing in the window.
TEST_F(NotifyWindowTest, WithATrayTheBalloonAloneSaysIt) {
    ASSERT_EQ(LaptopFirewall().PrivateFiles(), "");
    std::ofstream("/etc/ufw/ufw.conf") << "ENABLED=yes\n";
    StartService();
    delete form->RzTrayIcon1;
    form->RzTrayIcon1 =
        new TRzTrayIcon(form.get(), artwork::Icon(artwork::kTray), [] { return true; });
    BroadcastSearch();
    const auto& balloon = form->RzTrayIcon1->LastBalloon();
    ASSERT_TRUE(balloon.has_value());
    EXPECT_EQ(balloon->title, "Контроллеры не найдены");
    EXPECT_EQ(balloon->text, kAdvice);
    EXPECT_EQ(balloon->icon, QSystemTrayIcon::Warning);
    EXPECT_EQ(Marquee(), "");
    EXPECT_EQ(form->Notifier()->WindowText(), "");

    AddAddresses({"192.168.1.20/32"});
    sim = StartThreeControllers();
    BroadcastSearch();
    Select("192.168.1.10");
    form->RzEdit1->setText("192.168.1.20");
    form->RzBitBtn1->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return form->RzTrayIcon1->LastBalloon()->title == "Параметры записаны"; }, 6000));
    EXPECT_TRUE(standIn.calls.empty());
    EXPECT_EQ(form->Notifier()->WindowText(), "");
}

// The laptop's only card is up, but its DHCP server never answered: the empty search names
// it and says how to give it an address.
TEST_F(NotifyWindowTest, ACardUpWithoutAnAddressIsNamed) {
    privatenet::Lan lan;
    ASSERT_EQ(lan.Create(), "");
    privatenet::Cable cable;
    ASSERT_EQ(cable.Connect(lan, "eth1", "", {}), "");
    StartService();
    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    const auto& calls = Notifications(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].body.section('\n', 0, 1),
              "Запрос не ушёл ни через одну сетевую карту: ни у одной включённой карты нет адреса "
              "IPv4.\nСетевая карта eth1 включена, но у неё нет адреса IPv4. Задайте адрес "
              "вручную, например: sudo ip address add 192.168.1.2/24 dev eth1");
    ExpectInWindow("Контроллеры не найдены", calls[0].body, "Нет ответа: у карты eth1");
    EXPECT_EQ(Marquee(), "Нет ответа: у карты eth1 нет адреса IPv4");
}

} // namespace

#include "NotifyWindowTest.moc"
