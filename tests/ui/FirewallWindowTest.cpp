// The window's broadcast search on a laptop with a host firewall: the advice in the tray
// icon's balloon when nothing answered and a firewall is known to be active, and the
// controllers found behind a drop-incoming firewall.
#include "Artwork.h"
#include "FakeFirewalld.h"
#include "StatusBar.h"
#include "SwitchedLan.h"
#include "TrayIcon.h"
#include "WindowFixture.h"

#include <fstream>

namespace {

class FirewallWindowTest : public WindowTest {
protected:
    void SetUp() override {
        // A system bus of the test's own, where a firewalld stand-in may take its name; its
        // address is read when the window first reaches a bus.
        ASSERT_NE(bus.Address(), "") << "dbus-daemon did not start";
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str(), 1);
        WindowTest::SetUp();
        ASSERT_EQ(firewall.PrivateFiles(), "");
        // The offscreen platform has no notification area: a tray that takes balloons
        // stands in for the window's own.
        delete form->RzTrayIcon1;
        form->RzTrayIcon1 =
            new TRzTrayIcon(form.get(), artwork::Icon(artwork::kTray), [] { return true; });
    }
    void TearDown() override {
        LaptopFirewall::Run("nft flush ruleset");
        WindowTest::TearDown();
    }

    static void UfwEnabled(const char* value) {
        std::ofstream("/etc/ufw/ufw.conf") << "ENABLED=" << value << "\nLOGLEVEL=low\n";
    }

    const std::optional<TRzTrayIcon::Balloon>& Balloon() {
        return form->RzTrayIcon1->LastBalloon();
    }

    PrivateBus bus;
    LaptopFirewall firewall;
};

TEST_F(FirewallWindowTest, NothingFoundWithUfwActiveAdvisesOnceInTheBalloon) {
    UfwEnabled("yes");
    SearchByAddress("192.168.1.9");
    EXPECT_EQ(form->DeviceCountText(), "0");
    EXPECT_FALSE(Balloon().has_value()) << "a search by address is not affected by the firewall";

    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    EXPECT_EQ(Marquee(), "");
    ASSERT_TRUE(Balloon().has_value());
    EXPECT_EQ(Balloon()->title, "Контроллеры не найдены");
    EXPECT_EQ(Balloon()->text, "Брандмауэр ufw может не пропускать ответы контроллеров. Откройте "
                               "порты 6002-6004/udp: sudo ufw allow quorrel-ip-configurator");
    EXPECT_EQ(Balloon()->timeoutMs, 10000);
    EXPECT_EQ(Balloon()->icon, QSystemTrayIcon::Warning);

    form->RzTrayIcon1->ShowTrayBalloon("earlier", "balloon", 1, 0);
    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    ASSERT_TRUE(Balloon().has_value());
    EXPECT_EQ(Balloon()->title, "earlier") << "the advice is shown once per run";
}

TEST_F(FirewallWindowTest, NothingFoundWithoutAKnownFirewallShowsNoBalloon) {
    UfwEnabled("no");
    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "0");
    EXPECT_FALSE(Balloon().has_value());

    // A firewall switched on later is advised on at the next empty search.
    UfwEnabled("yes");
    BroadcastSearch();
    ASSERT_TRUE(Balloon().has_value());
    EXPECT_EQ(Balloon()->title, "Контроллеры не найдены");
}

// The facts of an empty search are gathered after it (firewalld answers slowly here): a
// search that found controllers meanwhile, or the window closed meanwhile, leaves them
// untold.
TEST_F(FirewallWindowTest, AdviceOvertakenByASearchOrACloseIsNotGiven) {
    FakeFirewalld firewalld(bus.Address(), false, std::chrono::milliseconds(300));
    ASSERT_TRUE(firewalld.Owned());
    std::unique_ptr<SimProcess> sim;
    for (const bool close : {false, true}) {
        form->RzToolButton2->click();
        while (form->Searching())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ASSERT_TRUE(form->Diagnosing());
        if (close) {
            form->close();
        } else {
            sim = StartThreeControllers();
            BroadcastSearch();
            EXPECT_EQ(form->DeviceCountText(), "3");
            sim.reset();
        }
        WaitForSearches();
        // The controllers found meanwhile and gone again are named; the advice is not given.
        EXPECT_FALSE(Balloon() && Balloon()->title == "Контроллеры не найдены") << close;
    }
}

// The window's broadcast search asks the silent card's new neighbours again by unicast:
// both controllers behind the firewall are listed, and no balloon is needed.
TEST_F(FirewallWindowTest, BehindTheFirewallTheReaskFindsEveryController) {
    SwitchedLan lan;
    ASSERT_EQ(
        lan.Build({{"192.168.1.9", "02-00-C0-A8-01-09"}, {"192.168.1.10", "02-00-C0-A8-01-0A"}}),
        "");
    ASSERT_EQ(firewall.Load(LaptopFirewall::DropIncoming()), "");
    BroadcastSearch();
    EXPECT_EQ(form->DeviceCountText(), "2");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"Quorrel", "Quorrel/192.168.1.xxx",
                                                 "Quorrel/192.168.1.xxx/192.168.1.10",
                                                 "Quorrel/192.168.1.xxx/192.168.1.9"}));
    EXPECT_FALSE(Balloon().has_value());
}

} // namespace
