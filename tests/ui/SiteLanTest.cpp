// A laptop on a site LAN as the window and quorrel-cli each show it: its cable and its Wi-Fi
// both on the controllers' subnet, or a card whose first requests are lost on the way. Every
// case runs once through the window and once through the command line.
#include "Commands.h"
#include "LaptopLans.h"
#include "SwitchedLan.h"
#include "WatchedSearch.h"
#include "WindowFixture.h"

#include <QAbstractButton>

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const SwitchedLan::Controller kNine = {"192.168.1.9", "02-00-C0-A8-01-09"};
const SwitchedLan::Controller kTen = {"192.168.1.10", "02-00-C0-A8-01-0A"};

// What a search showed: the address of each controller line, in sorted order, and the count
// (the window's count pane; the command line's number of lines).
struct Shown {
    std::vector<std::string> controllers;
    std::string count;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* os) {
    *os << "count " << shown.count << ":";
    for (const auto& controller : shown.controllers)
        *os << " " << controller;
}

const Shown kBoth = {{"192.168.1.10", "192.168.1.9"}, "2"};

enum class FrontEnd { kWindow, kCommandLine };

void PrintTo(FrontEnd frontEnd, std::ostream* os) {
    *os << (frontEnd == FrontEnd::kWindow ? "the window" : "quorrel-cli");
}

class FrontEndTest : public WindowTest, public ::testing::WithParamInterface<FrontEnd> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!HasFatalFailure()) // no private network: nothing is built
            Build();
    }
    // Builds the test's network.
    virtual void Build() = 0;

    // Searches the LAN, or one address when given, as a user of the front end would.
    Shown Search(const std::string& address = {}) {
        Shown shown;
        if (GetParam() == FrontEnd::kWindow) {
            if (address.empty())
                BroadcastSearch();
            else
                SearchByAddress(QString::fromStdString(address));
            for (const std::string& path : Paths())
                if (std::count(path.begin(), path.end(), '/') == 2)
                    shown.controllers.push_back(path.substr(path.rfind('/') + 1));
            shown.count = form->DeviceCountText().toStdString();
            return shown;
        }
        std::vector<std::string> args = {"discover", "--format", "csv"};
        if (!address.empty())
            args.insert(args.end(), {"--address", address});
        Cli(args);
        std::istringstream lines(out.str());
        std::string line;
        std::getline(lines, line); // the header
        while (std::getline(lines, line))
            shown.controllers.push_back(line.substr(0, line.find(',')));
        std::sort(shown.controllers.begin(), shown.controllers.end());
        shown.count = std::to_string(shown.controllers.size());
        return shown;
    }

    // Gives the controller the gateway 192.168.1.254 (after a search, in the window).
    void Write(const SwitchedLan::Controller& controller) {
        if (GetParam() == FrontEnd::kWindow) {
            Select(QString::fromStdString(controller.ip));
            form->RzEdit2->setText("192.168.1.254");
            ClickWrite();
        } else {
            EXPECT_EQ(Cli({"set", "--mac", controller.mac, "--gateway", "192.168.1.254"}), 0)
                << out.str() << err.str();
        }
    }

    int Cli(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return cli::Run(args, out, err);
    }

    // A broadcast search (Search), the simulators watched meanwhile.
    WatchedSearch Watched(const std::vector<SimProcess*>& sims, Shown& shown) {
        return WatchedSearch(sims, [&] { shown = Search(); });
    }

    SwitchedLan lan;
    std::ostringstream out;
    std::ostringstream err;
};

std::string Name(const ::testing::TestParamInfo<FrontEnd>& info) {
    return info.param == FrontEnd::kWindow ? "Window" : "CommandLine";
}

// A laptop whose cable (eth0, 192.168.1.2) and Wi-Fi (wlan0, 192.168.1.3) both reach the
// switch of 192.168.1.9 and 192.168.1.10: each controller hears the request twice and
// answers each. The laptop answers ARP for either address on either card, as laptops do, so
// the replies may all come in by one card.
class TwoCardsOnOneLan : public FrontEndTest {
protected:
    void Build() override {
        ASSERT_EQ(lan.Build({kNine, kTen}), "");
        ASSERT_EQ(lan.AddCard("wlan0", "192.168.1.3/24"), "");
    }
};

TEST_P(TwoCardsOnOneLan, EachControllerIsShownAndCountedOnce) {
    EXPECT_EQ(Search(), kBoth);
}

TEST_P(TwoCardsOnOneLan, AWriteReachesItsControllerOnce) {
    EXPECT_EQ(Search(), kBoth);
    Write(kNine);
    const auto frames = ReportedEvents(*lan.sims[0], "frame", 2);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "result"), "accepted");
    EXPECT_EQ(Field(frames[0], "bytes").substr(16, 8), "C0A801FE") << "the new gateway";
}

TEST_P(TwoCardsOnOneLan, EachCardAsksUntilItsRepliesCome) {
    Shown shown;
    WatchedSearch search = Watched({lan.sims[0].get(), lan.sims[1].get()}, shown);
    EXPECT_EQ(shown, kBoth);
    for (size_t i = 0; i < lan.sims.size(); ++i)
        for (const char* card : {"192.168.1.2", "192.168.1.3"})
            EXPECT_EQ(search.Asked(i, card), "") << "controller " << i << ", card " << card;
}

INSTANTIATE_TEST_SUITE_P(FrontEnds, TwoCardsOnOneLan,
                         ::testing::Values(FrontEnd::kWindow, FrontEnd::kCommandLine), Name);

// The laptop of LaptopLans: wlan0 (10.99.0.2) on a Wi-Fi LAN with 10.99.0.9, eth0
// (192.168.1.2) cabled to 192.168.1.9 and 192.168.1.10.
class TwoLans : public FrontEndTest {
protected:
    void Build() override { ASSERT_EQ(lans.Build(), ""); }
    LaptopLans lans;
};

TEST_P(TwoLans, EachCardAsksUntilItsRepliesCome) {
    Shown shown;
    WatchedSearch search = Watched({lans.wifiSim.get(), lans.officeSim.get()}, shown);
    EXPECT_EQ(shown, (Shown{{"10.99.0.9", "192.168.1.10", "192.168.1.9"}, "3"}));
    EXPECT_EQ(search.Asked(0, "10.99.0.2"), "");
    EXPECT_EQ(search.Asked(1, "192.168.1.2"), "");
}

INSTANTIATE_TEST_SUITE_P(FrontEnds, TwoLans,
                         ::testing::Values(FrontEnd::kWindow, FrontEnd::kCommandLine), Name);

// The laptop's one card on the switch, which loses the first two datagrams to port 5001
// that come from the laptop, as the air between a laptop and its access point may.
class LossyLan : public FrontEndTest {
protected:
    void Build() override {
        ASSERT_EQ(lan.Build({kNine, kTen}), "");
        ASSERT_EQ(SwitchRules(lan).Load(
                      "table bridge air {\n"
                      "  chain prerouting {\n"
                      "    type filter hook prerouting priority 0; policy accept;\n"
                      "    iifname \"lan-eth0\" udp dport 5001 numgen inc mod 1000000000 < 2 "
                      "counter drop\n"
                      "  }\n"
                      "}\n"),
                  "");
    }

    void TearDown() override {
        if (!HasFatalFailure()) {
            const std::string rules = SwitchRules(lan).List();
            EXPECT_NE(rules.find("counter packets 2 "), std::string::npos)
                << "the first two requests are lost and the search asks again: " << rules;
        }
        FrontEndTest::TearDown();
    }
};

TEST_P(LossyLan, ABroadcastSearchStillFindsEveryController) {
    EXPECT_EQ(Search(), kBoth);
}

TEST_P(LossyLan, ASearchByAddressStillFindsItsController) {
    EXPECT_EQ(Search(kNine.ip), (Shown{{kNine.ip}, "1"}));
}

INSTANTIATE_TEST_SUITE_P(FrontEnds, LossyLan,
                         ::testing::Values(FrontEnd::kWindow, FrontEnd::kCommandLine), Name);

// A printer holds 192.168.1.50 on the switch. Writing a controller there asks first and names
// the printer's MAC: No sends nothing, Yes sends; a free address asks nothing and is sent.
class PrinterOnTheLan : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(lan.BuildWithPrinter(), "");
    }
    SwitchedLan lan;
};

TEST_F(PrinterOnTheLan, AWriteOntoItsAddressAsksFirst) {
    const QString taken = "192.168.1.50 — адрес занят другим устройством (02-00-00-00-00-50), "
                          "которое не отвечает как контроллер.\n\nВсё равно записать параметры?";
    const struct Case {
        size_t sim; // the controller written: 0 is 192.168.1.9, 1 is 192.168.1.10
        const char* ip;
        bool asked;
        bool yes;
        size_t frames;
    } cases[] = {{0, "192.168.1.50", true, false, 0},
                 {0, "192.168.1.60", false, false, 1},
                 {1, "192.168.1.50", true, true, 1}};
    for (const Case& c : cases) {
        BroadcastSearch();
        Select(QString::fromStdString((c.sim == 0 ? kNine : kTen).ip));
        form->RzEdit1->setText(c.ip);
        DialogAnswer answer([&c](QWidget* d) {
            if (c.yes)
                d->findChild<QAbstractButton*>("Yes")->click();
            else
                PressEnter(d); // No is the default
        });
        ClickWrite();
        EXPECT_EQ(answer.Answered(), c.asked) << c.ip;
        if (c.asked) {
            EXPECT_TRUE(answer.texts.contains(taken)) << answer.texts.join('|').toStdString();
        }
        const auto frames = ReportedEvents(*lan.sims[c.sim], "frame", c.frames + 1);
        EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                                [](const auto& f) { return Field(f, "result") == "accepted"; }),
                  c.frames)
            << c.ip;
    }
}

} // namespace
