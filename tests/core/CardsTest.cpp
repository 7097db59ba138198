// Searching and writing with several network cards. The laptop of an installer: card wlan0
// on a Wi-Fi LAN holding the default route, card eth0 cabled into the controllers' LAN
// without a gateway. Each LAN is a namespace of its own with a simulator standing in for
// its controllers, so the system's routing decides where every datagram goes.
#include "CheckTree.h"
#include "ControllerRecord.h"
#include "Discovery.h"
#include "FakeHost.h"
#include "NetworkCards.h"
#include "PreparedWrite.h"
#include "PrivateNet.h"
#include "RunSearch.h"
#include "SimControllers.h"
#include "SimProcess.h"
#include "Topology.h"
#include "WatchedSearch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>
#include <utility>
#include <variant>

namespace {

constexpr int kEventWaitMs = 5000;

std::vector<std::string> Names(const std::vector<core::NetworkCard>& cards) {
    std::vector<std::string> names;
    for (const auto& c : cards)
        names.push_back(c.name);
    return names;
}

// The captions under each subnet node, as "subnet: a b".
std::vector<std::string> TreeText(TDeviceModel& tree) {
    tree.Flush();
    std::vector<std::string> lines;
    const QModelIndex root = tree.Root();
    for (int s = 0; s < tree.rowCount(root); ++s) {
        const QModelIndex subnet = tree.index(s, 0, root);
        std::string line = subnet.data().toString().toStdString() + ":";
        std::vector<std::string> controllers;
        for (int c = 0; c < tree.rowCount(subnet); ++c)
            controllers.push_back(tree.index(c, 0, subnet).data().toString().toStdString());
        std::sort(controllers.begin(), controllers.end());
        for (const auto& c : controllers)
            line += " " + c;
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class TwoCardLaptop : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        ASSERT_EQ(wifiLan_.Create(), "");
        ASSERT_EQ(officeLan_.Create(), "");
        ASSERT_EQ(
            wlan0_.Connect(wifiLan_, "wlan0", "10.99.0.2/24", {"10.99.0.1/24", "10.99.0.9/24"}),
            "");
        // 192.168.1.50 is where a write moves the first controller.
        ASSERT_EQ(eth0_.Connect(officeLan_, "eth0", "192.168.1.2/24",
                                {"192.168.1.9/24", "192.168.1.10/24", "192.168.1.50/24"}),
                  "");
        ASSERT_EQ(
            privatenet::RunIp({"route", "replace", "default", "via", "10.99.0.1", "dev", "wlan0"}),
            "");
        wlan0Index_ = ::if_nametoindex("wlan0");
        eth0Index_ = ::if_nametoindex("eth0");
        ASSERT_GT(wlan0Index_, 0u);
        ASSERT_GT(eth0Index_, 0u);
        Launch(wifiSim_, wifiLan_, {"--controller", "ip=10.99.0.9,mac=02-00-0A-63-00-09"});
        Launch(officeSim_, officeLan_,
               {"--controller", "ip=192.168.1.9,mac=02-00-C0-A8-01-09", "--controller",
                "ip=192.168.1.10,mac=02-00-C0-A8-01-0A"});
        context_.tree = &tree_;
        context_.marquee = &marquee_;
        context_.progress = &progress_;
        context_.table = &table_;
    }

    void TearDown() override {
        // The binary's other tests expect everything routed to lo again.
        privatenet::RunIp({"route", "replace", "default", "dev", "lo", "src", "127.0.0.1"});
    }

    static void Launch(std::unique_ptr<SimProcess>& sim, const privatenet::Lan& lan,
                       std::vector<std::string> args) {
        sim = std::make_unique<SimProcess>(std::move(args));
        sim->EnterNamespace(lan.Path());
        ASSERT_EQ(sim->Start(), "");
    }

    // The requests each LAN's simulator hears from one round of a broadcast search, as
    // {Wi-Fi, cabled}: Start sends every request once, and nothing goes out again while
    // nobody runs the search's loop. A second request to a LAN would come with the first.
    std::pair<size_t, size_t> OneRound() {
        const size_t wifi = wifiSim_->EventsNamed("request").size();
        const size_t office = officeSim_->EventsNamed("request").size();
        core::Search search;
        search.Start(core::kBroadcast);
        const std::pair<size_t, size_t> heard = {
            ReportedEvents(*wifiSim_, "request", wifi + 2).size() - wifi,
            ReportedEvents(*officeSim_, "request", office + 2).size() - office};
        // The round's replies are reported before anything else is asked.
        for (SimProcess* sim : {wifiSim_.get(), officeSim_.get()})
            ReportedEvents(*sim, "answered", sim->EventsNamed("request").size());
        return heard;
    }

    // A broadcast search of the window, the simulators watched meanwhile.
    WatchedSearch Search() {
        return WatchedSearch({wifiSim_.get(), officeSim_.get()}, [this] {
            SearchControllers(context_, core::kLocalPortBase, kBroadcastAddress);
        });
    }

    privatenet::Lan wifiLan_, officeLan_;
    privatenet::Cable wlan0_, eth0_;
    unsigned wlan0Index_ = 0, eth0Index_ = 0;
    std::unique_ptr<SimProcess> wifiSim_, officeSim_;
    TDeviceModel tree_{QStringLiteral("Quorrel")};
    FakeMarquee marquee_;
    FakeProgress progress_;
    core::Controllers table_;
    DriverContext context_;
};

TEST_F(TwoCardLaptop, BroadcastSearchFindsTheControllersBehindBothCards) {
    EXPECT_EQ(Names(core::CardsBesideRoute()), std::vector<std::string>{"eth0"});
    EXPECT_EQ(OneRound(), (std::pair<size_t, size_t>{1, 1})) << "one request on each LAN";
    WatchedSearch search = Search();

    EXPECT_EQ(table_.Count(), 3u);
    EXPECT_EQ(TreeText(tree_),
              (std::vector<std::string>{"10.99.0.xxx: 10.99.0.9",
                                        "192.168.1.xxx: 192.168.1.10 192.168.1.9"}));
    for (const auto& [address, card] : {std::pair{"10.99.0.9", wlan0Index_},
                                        {"192.168.1.9", eth0Index_},
                                        {"192.168.1.10", eth0Index_}}) {
        const core::Controller* line = LineOf(table_, address);
        ASSERT_NE(line, nullptr) << address;
        EXPECT_EQ(line->card, card) << address;
    }
    EXPECT_EQ(search.Asked(0, "10.99.0.2"), "");
    EXPECT_EQ(search.Asked(1, "192.168.1.2"), "");
    EXPECT_EQ(marquee_.history, (std::vector<std::string>{"Широковещательный поиск", ""}));
}

TEST_F(TwoCardLaptop, DiscoverNamesTheCardEachReplyCameIn) {
    const core::DiscoveryResult result = core::Discover(core::kBroadcast, 500);
    ASSERT_TRUE(result.opened);
    EXPECT_EQ(result.localPort, core::kLocalPortBase);
    std::vector<std::string> heard;
    for (const core::Controller& c : result.controllers)
        heard.push_back(core::DottedQuad(c.address) + " " + c.cardName);
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<std::string>{"10.99.0.9 wlan0", "192.168.1.10 eth0",
                                               "192.168.1.9 eth0"}));
}

TEST_F(TwoCardLaptop, AWriteOnTheCardArrivesOnlyOnItsLanAndTheControllerAnswersFromItsNewAddress) {
    core::Controller heard;
    heard.address = {192, 168, 1, 9};
    heard.card = eth0Index_;
    heard.record.mac = {0x02, 0x00, 0xC0, 0xA8, 0x01, 0x09};
    const auto prepared = core::PrepareWrite(
        table_, heard, {"192.168.1.50", "255.255.255.0", "192.168.1.1", ""}, true);
    ASSERT_TRUE(std::holds_alternative<core::PreparedWrite>(prepared));
    const core::PreparedWrite& write = std::get<core::PreparedWrite>(prepared);
    EXPECT_EQ(core::SendWrite(write), core::FrameSent::kSent);
    const core::FrameBytes& frame = write.frame;

    const auto seen = officeSim_->WaitForEvent("frame", kEventWaitMs);
    ASSERT_TRUE(seen);
    EXPECT_EQ(Field(*seen, "bytes"), core::HexText(frame.data(), frame.size()));
    EXPECT_EQ(Field(*seen, "to"), "255.255.255.255");
    EXPECT_EQ(Field(*seen, "result"), "accepted");
    EXPECT_EQ(Field(*seen, "ip"), "192.168.1.50");
    EXPECT_FALSE(wifiSim_->WaitForEvent("frame", 300)) << "nothing may reach the Wi-Fi LAN";
    EXPECT_TRUE(wifiSim_->EventsNamed("other").empty());

    SearchControllers(context_, core::kLocalPortBase, kBroadcastAddress);
    EXPECT_EQ(LineOf(table_, "192.168.1.9"), nullptr);
    const core::Controller* moved = LineOf(table_, "192.168.1.50");
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->card, eth0Index_);
    EXPECT_EQ(table_.Count(), 3u);
}

TEST_F(TwoCardLaptop, WithTheOtherCardDownEachRoundCarriesOneRequest) {
    ASSERT_EQ(privatenet::RunIp({"link", "set", "wlan0", "down"}), "");
    ASSERT_EQ(privatenet::RunIp({"route", "replace", "default", "dev", "eth0"}), "");
    EXPECT_TRUE(core::CardsBesideRoute().empty());
    EXPECT_EQ(OneRound(), (std::pair<size_t, size_t>{0, 1}));
    WatchedSearch search = Search();
    EXPECT_EQ(table_.Count(), 2);
    EXPECT_EQ(search.Asked(1, "192.168.1.2"), "");
    EXPECT_TRUE(wifiSim_->EventsNamed("request").empty());
}

// Whether a datagram waits for a socket on the local port, by the system's UDP table.
bool DatagramWaits(uint16_t port) {
    std::ifstream table("/proc/net/udp");
    unsigned local = 0, queued = 0;
    for (std::string row; std::getline(table, row);)
        if (std::sscanf(row.c_str(), "%*d: %*x:%x %*x:%*x %*x %*x:%x", &local, &queued) == 2 &&
            local == port && queued > 0)
            return true;
    return false;
}

// The search's thread is held up (a busy machine) from the moment the broadcast is due
// again and the silent card's neighbours are to be asked, until the controllers' replies
// wait on its socket: it reads them first, and sends nothing more.
TEST_F(TwoCardLaptop, RepliesWaitingWhenRequestsAreDueAnswerThemFirst) {
    ASSERT_EQ(privatenet::RunIp({"link", "set", "wlan0", "down"}), "");
    ASSERT_EQ(privatenet::RunIp({"route", "replace", "default", "dev", "eth0"}), "");
    using Clock = core::Search::Clock;
    core::Search search;
    officeSim_->Signal(SIGSTOP); // the requests wait for the controllers
    search.Start(core::kBroadcast);
    const Clock::time_point start = search.LastSent();
    int sentBefore = -1; // the requests sent when the replies were waiting
    search.Run({.onHeard = [](const core::Heard&) {},
                .next = [&](Clock::time_point now) -> std::optional<Clock::time_point> {
                    if (sentBefore < 0 && now >= start + core::SilentCardAsker::kWait) {
                        officeSim_->Signal(SIGCONT);
                        if (!officeSim_->WaitForEvent("answered", kEventWaitMs))
                            return std::nullopt;
                        for (const auto until = Clock::now() + std::chrono::seconds(5);
                             !DatagramWaits(search.LocalPort());
                             std::this_thread::sleep_for(std::chrono::milliseconds(1)))
                            if (Clock::now() > until)
                                return std::nullopt;
                        // A group of sockets holds a datagram back this long after it came.
                        std::this_thread::sleep_for(
                            std::chrono::nanoseconds(core::UdpSocketGroup::kQueueDelayNs));
                        sentBefore = search.RequestsSent();
                    }
                    if (now >= start + core::Search::kWindow)
                        return std::nullopt;
                    return start + core::Search::kWindow;
                }});
    ASSERT_GT(sentBefore, 0) << "the replies came";
    EXPECT_EQ(search.RequestsSent(), sentBefore);
    EXPECT_FALSE(search.AskedAgain());
}

// A tun device: point-to-point, no broadcast. It stays attached (running) while the
// object lives.
class TunCard {
public:
    explicit TunCard(const char* name) {
        fd_ = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = std::string("/dev/net/tun: ") + std::strerror(errno);
            return;
        }
        ifreq request{};
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        std::snprintf(request.ifr_name, IFNAMSIZ, "%s", name);
        if (::ioctl(fd_, TUNSETIFF, &request) != 0) {
            error_ = std::string("TUNSETIFF: ") + std::strerror(errno);
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~TunCard() {
        if (fd_ >= 0)
            ::close(fd_); // a device that is not persistent goes with its descriptor
    }
    // Empty when the card is there, else why not.
    const std::string& Error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

TEST(NetworkCards, CardsThatAreDownOrHaveNoAddressAreNotListed) {
    REQUIRE_PRIVATE_NETWORK();
    privatenet::Lan lan;
    ASSERT_EQ(lan.Create(), "");
    privatenet::Cable up, down, bare;
    ASSERT_EQ(up.Connect(lan, "up0", "10.50.0.2/24", {"10.50.0.1/24"}), "");
    ASSERT_EQ(down.Connect(lan, "down0", "10.51.0.2/24", {}), "");
    ASSERT_EQ(privatenet::RunIp({"link", "set", "down0", "down"}), "");
    ASSERT_EQ(bare.Connect(lan, "bare0", "", {}), "");

    EXPECT_EQ(Names(core::BroadcastCards()), std::vector<std::string>{"up0"});
    // Routed broadcasts go to lo here, so up0 is a card beside the route.
    EXPECT_EQ(Names(core::CardsBesideRoute()), std::vector<std::string>{"up0"});

    const auto upCard = core::CardByIndex(::if_nametoindex("up0"));
    ASSERT_TRUE(upCard);
    EXPECT_EQ(upCard->name, "up0");
    EXPECT_EQ(upCard->address, (core::Ip4{10, 50, 0, 2}));
    EXPECT_EQ(upCard->prefix, 24u);
    EXPECT_FALSE(core::CardByIndex(::if_nametoindex("down0")));
    EXPECT_FALSE(core::CardByIndex(::if_nametoindex("bare0")));
    EXPECT_FALSE(core::CardByIndex(0));
}

TEST(NetworkCards, APointToPointCardIsNotListed) {
    REQUIRE_PRIVATE_NETWORK();
    TunCard tun("tun0");
    ASSERT_EQ(tun.Error(), "") << "a point-to-point card needs the tun device";
    ASSERT_EQ(privatenet::RunIp({"addr", "add", "10.52.0.1", "peer", "10.52.0.2", "dev", "tun0"}),
              "");
    ASSERT_EQ(privatenet::RunIp({"link", "set", "tun0", "up"}), "");
    const auto card = core::CardByIndex(::if_nametoindex("tun0"));
    ASSERT_TRUE(card) << "up and running with an address";
    EXPECT_EQ(card->address, (core::Ip4{10, 52, 0, 1}));
    EXPECT_EQ(card->prefix, 32u); // a peer address without a prefix
    EXPECT_TRUE(core::BroadcastCards().empty());
}

} // namespace
