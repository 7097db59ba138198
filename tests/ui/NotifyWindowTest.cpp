// What the window tells beyond its dialogs where the desktop has no tray (the offscreen
// platform has none): a private session bus with a stand-in notification service that
// records each Notify call, controllers from the simulator.
#include "WindowFixture.h"

#include "Artwork.h"
#include "Commands.h"
#include "Notifier.h"
#include "SwitchedLan.h"
#include "Topology.h"
#include "TrayIcon.h"
#include "WriteCheckNotice.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QVariantMap>
#include <csignal>
#include <sstream>

namespace {

class NotificationStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<QStringList>
        calls; // app, icon, summary, body, desktop-entry, urgency's type and value

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        calls.push_back(
            {app, icon, summary, body, hints.value("desktop-entry").toString(),
             hints.value("urgency").typeName() + QString::number(hints.value("urgency").toInt())});
        return static_cast<uint>(calls.size());
    }
};

const QString kNoAnswer = "Контроллеры не найдены";
const QString kAdvice = "Брандмауэр ufw может не пропускать ответы контроллеров. Откройте порты "
                        "6002-6004/udp: sudo ufw allow quorrel-ip-configurator";

class NotifyWindowTest : public WindowTest {
protected:
    // A dbus-daemon that can start no service and dies with the test process; the program's
    // session bus connection is made at its first use, from its address.
    static void SetUpTestSuite() {
        const std::string config = ::testing::TempDir() + "bus-" + std::to_string(::getpid());
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                                 "<policy context='default'><allow send_destination='*'/><allow "
                                 "receive_sender='*'/><allow own='*'/></policy></busconfig>";
        const std::string command = "exec setpriv --pdeathsig KILL dbus-daemon --nofork "
                                    "--print-address=1 --print-pid=1 --config-file=" +
                                    config;
        daemon = ::popen(command.c_str(), "r");
        char line[512] = {}, pid[32] = {};
        if (daemon != nullptr && std::fgets(line, sizeof line, daemon) != nullptr &&
            std::fgets(pid, sizeof pid, daemon) != nullptr) {
            address = QString(line).trimmed();
            daemonPid = std::atoi(pid);
        }
        std::remove(config.c_str()); // read at its start
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8().constData(), 1);
    }
    static void TearDownTestSuite() {
        if (daemonPid > 0)
            ::kill(daemonPid, SIGTERM);
        if (daemon != nullptr)
            ::pclose(daemon);
    }

    void SetUp() override {
        ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
        WindowTest::SetUp();
        form->WriteCheck()->SetCheckTime(std::chrono::milliseconds(4000));
    }

    void StartService() {
        QDBusConnection c = QDBusConnection::connectToBus(address, "stand-in");
        ASSERT_TRUE(c.registerObject("/org/freedesktop/Notifications", &standIn,
                                     QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(c.registerService("org.freedesktop.Notifications"));
    }
    void UfwEnabled(const char* value) {
        ASSERT_EQ(LaptopFirewall().PrivateFiles(), "");
        std::ofstream("/etc/ufw/ufw.conf") << "ENABLED=" << value << "\n";
    }

    // The notifications, once the expected number has arrived (or a while has passed).
    size_t Notifications(size_t expected) {
        (void)QTest::qWaitFor([&] { return standIn.calls.size() >= expected; }, 6000);
        return standIn.calls.size();
    }
    // The last notification came from the program and stands in the window: the marquee
    // begins with line, its tooltip and what a screen reader hears hold the whole message.
    void ExpectInWindow(const QString& summary, const QString& line) {
        const QStringList& n = standIn.calls.back();
        EXPECT_EQ(n.mid(0, 3),
                  QStringList({"Quorrel IP Configurator", "quorrel-ip-configurator", summary}));
        EXPECT_TRUE(QFile::exists(QUORREL_SOURCE_DIR "/packaging/" + n[4] + ".desktop.in"));
        const QString whole = summary + "\n" + n[3];
        EXPECT_EQ(form->Notifier()->WindowText(), whole);
        EXPECT_TRUE(Marquee().startsWith(line)) << Marquee().toStdString();
        EXPECT_EQ(form->RzMarqueeStatus1->toolTip(), whole);
        // What a screen reader is given: the line as the name, the whole as the description.
        QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(form->RzMarqueeStatus1);
        EXPECT_EQ(heard->text(QAccessible::Name), Marquee());
        EXPECT_EQ(heard->text(QAccessible::Description), whole);
    }

    static inline FILE* daemon = nullptr;
    static inline pid_t daemonPid = 0;
    static inline QString address;
    NotificationStandIn standIn;
    std::unique_ptr<SimProcess> sim;
};

// A write the controller took (news) and one it ignored (critical): each stands in the
// window until the next search, and comes back there when the root node is selected.
TEST_F(NotifyWindowTest, WriteOutcomesArriveAsNotificationsAndStandInTheWindow) {
    StartService();
    AddAddresses({"192.168.1.20/32"});
    struct Case {
        std::vector<std::string> simOptions;
        QString title, from, urgency;
    } const cases[] = {{{}, "Параметры записаны", "192.168.1.20", "uchar1"},
                       {{"--ignore-frames"}, "Запись не подтверждена", "192.168.1.10", "uchar2"}};
    for (const Case& c : cases) {
        sim.reset();
        sim = StartThreeControllers(c.simOptions);
        BroadcastSearch();
        EXPECT_EQ(form->Notifier()->WindowText(), "") << "a search ends the message before it";
        Select("192.168.1.10");
        form->RzEdit1->setText("192.168.1.20");
        ClickWrite();
        const size_t count = &c - cases + 1;
        ASSERT_EQ(Notifications(count), count) << c.title.toStdString();
        EXPECT_TRUE(standIn.calls.back()[3].startsWith(
            "Контроллер 00-1A-2B-3C-4D-5E отвечает с адреса " + c.from));
        EXPECT_EQ(standIn.calls.back()[5], c.urgency);
        Select("192.168.1.9");
        EXPECT_EQ(Marquee(), "Контроллер 192.168.1.9");
        Select("Quorrel");
        ExpectInWindow(c.title, c.title + ": 192.168.1.20");
    }
}

// The firewall advice after an empty broadcast search: without the service in the window
// alone; a service that starts later hears the next account, and the same account after
// the next empty search stands in the window but is not sent twice.
TEST_F(NotifyWindowTest, FirewallAdviceArrivesAsANotificationAndStandsInTheWindow) {
    UfwEnabled("no");
    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    EXPECT_EQ(Marquee(), "Нет ответа: ни одна сетевая карта не включена");
    StartService();
    UfwEnabled("yes");
    for (int search = 0; search < 2; ++search) {
        BroadcastSearch();
        ASSERT_EQ(Notifications(search + 1), 1u);
        EXPECT_TRUE(standIn.calls[0][3].endsWith("\n" + kAdvice));
        EXPECT_EQ(standIn.calls[0][5], "uchar1"); // a byte
        ExpectInWindow(kNoAnswer, "Нет ответа: ни одна сетевая карта не включена");
    }
}

// Where a tray shows, the balloon as before, and neither a notification nor the window.
TEST_F(NotifyWindowTest, WithATrayTheBalloonAloneSaysIt) {
    UfwEnabled("yes");
    StartService();
    delete form->RzTrayIcon1;
    form->RzTrayIcon1 =
        new TRzTrayIcon(form.get(), artwork::Icon(artwork::kTray), [] { return true; });
    BroadcastSearch();
    ASSERT_TRUE(form->RzTrayIcon1->LastBalloon().has_value());
    EXPECT_EQ(form->RzTrayIcon1->LastBalloon()->text, kAdvice);
    EXPECT_EQ(Notifications(1), 0u);
    EXPECT_EQ(Marquee(), "");
}

// The laptop's only card is up, but no DHCP server answered it: the window's and the
// command line's empty search name it and say how to give it an address.
TEST_F(NotifyWindowTest, ACardUpWithoutAnAddressIsNamed) {
    privatenet::Lan lan;
    ASSERT_EQ(lan.Create(), "");
    privatenet::Cable cable;
    ASSERT_EQ(cable.Connect(lan, "eth1", "", {}), "");
    StartService();
    BroadcastSearch();
    ASSERT_EQ(Notifications(1), 1u);
    EXPECT_TRUE(standIn.calls[0][3].contains(
        "\nСетевая карта eth1 включена, но у неё нет адреса IPv4. Задайте адрес вручную, "
        "например: sudo ip address add 192.168.1.2/24 dev eth1"));
    ExpectInWindow(kNoAnswer, "Нет ответа: у карты eth1 нет адреса IPv4");

    std::ostringstream out, err;
    EXPECT_EQ(cli::Run({"discover", "--timeout", "300"}, out, err), 1);
    EXPECT_NE(err.str().find("\nquorrel-cli: the card eth1 is up but has no IPv4 address: give "
                             "it one by hand, for example: sudo ip address add 192.168.1.2/24 "
                             "dev eth1\n"),
              std::string::npos)
        << err.str();
}

} // namespace

#include "NotifyWindowTest.moc"
