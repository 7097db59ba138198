// Discovery with the window's real tree and status displays, against simulated
// controllers in a private network.
#include "CheckTree.h"
#include "MarqueeStatus.h"
#include "PrivateNet.h"
#include "ProgressStatus.h"
#include "QStringPrinter.h"
#include "RunSearch.h"
#include "SimControllers.h"
#include "SimProcess.h"
#include "TreePaths.h"
#include "UDPDriverQuorrelConf.h"

#include <QApplication>
#include <QGroupBox>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::vector<std::string> Paths(TRzCheckTree& tree) {
    return TreePaths(*tree.model());
}

bool AllExpanded(const TRzCheckTree& tree, const QModelIndex& node) {
    const int rows = tree.model()->rowCount(node);
    if (rows > 0 && !tree.isExpanded(node))
        return false;
    for (int row = 0; row < rows; ++row)
        if (!AllExpanded(tree, tree.model()->index(row, 0, node)))
            return false;
    return true;
}

// A controller answering from the test's own thread, served while the search listens, so
// its replies can carry any bytes.
class ScriptedController {
public:
    ScriptedController(const std::string& address, std::vector<uint8_t> reply)
        : reply_(std::move(reply)) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(core::kControllerPort);
        a.sin_addr.s_addr = inet_addr(address.c_str());
        // Bound to its own address it hears unicasts only; the test sends to it directly.
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~ScriptedController() { ::close(fd_); }
    bool Bound() const { return bound_; }
    void Serve() {
        uint8_t buf[64];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        while (::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len) > 0) {
            ::sendto(fd_, reply_.data(), reply_.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
            ++answered;
        }
    }
    int answered = 0;

private:
    int fd_ = -1;
    bool bound_ = false;
    std::vector<uint8_t> reply_;
};

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        group.resize(489, 49);
        marquee = new TRzMarqueeStatus(&group);
        progress = new TRzProgressStatus(&group);
        context.tree = tree.Nodes();
        context.marquee = marquee;
        context.progress = progress;
        context.table = &table;
    }

    // Searches; every turn of the event loop meanwhile notes the caption and runs onPump.
    void Search(const std::string& destination) {
        SearchControllers(context, core::kLocalPortBase, destination, [this] {
            captionsSeen.insert(marquee->Caption());
            if (onPump)
                onPump();
        });
    }

    std::string Name(size_t index) { return core::DottedQuad(table[index].address); }

    void StartSim(SimProcess& sim) { ASSERT_EQ(sim.Start(), "") << "simulator did not start"; }

    TRzCheckTree tree;
    QGroupBox group;
    TRzMarqueeStatus* marquee = nullptr;
    TRzProgressStatus* progress = nullptr;
    core::Controllers table;
    DriverContext context;
    std::set<std::string> captionsSeen;
    std::function<void()> onPump;
};

TEST_F(DiscoveryTest, RepliesAreGroupedBySubnetInReplyOrder) {
    AddAddresses({"192.168.1.10/32", "192.168.1.9/32", "10.0.0.5/32"});
    SimProcess sim({"--controller", "ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E", "--controller",
                    "ip=10.0.0.5,mac=00-1A-2B-3C-4D-5F", "--controller",
                    "ip=192.168.1.9,mac=00-1A-2B-3C-4D-60", "--pace-us", "2000"});
    StartSim(sim);
    Search(kBroadcastAddress);

    EXPECT_EQ(Paths(tree),
              (std::vector<std::string>{"Quorrel", "Quorrel/192.168.1.xxx",
                                        "Quorrel/192.168.1.xxx/192.168.1.10",
                                        "Quorrel/192.168.1.xxx/192.168.1.9", "Quorrel/10.0.0.xxx",
                                        "Quorrel/10.0.0.xxx/10.0.0.5"}));
    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(Name(0), "192.168.1.10");
    EXPECT_EQ(Name(1), "10.0.0.5");
    EXPECT_EQ(Name(2), "192.168.1.9");
    EXPECT_EQ(RecordOf(table, "192.168.1.10"),
              "C0A8010AFFFFFF00C0A801010000000089135E4D3C2B1A000001020A00");
    EXPECT_TRUE(AllExpanded(tree, tree.Nodes()->Root()));
    EXPECT_TRUE(captionsSeen.count("Широковещательный поиск"));
    EXPECT_EQ(marquee->Caption(), "");
    EXPECT_EQ(progress->Percent(), 0);
    // the endpoint is closed again
    EXPECT_TRUE(core::UdpSocket::Open(core::kLocalPortBase).Valid());
}

TEST_F(DiscoveryTest, AControllerThatAnswersTwiceIsShownOnceWithItsLaterRecord) {
    AddAddresses({"192.168.1.10/32"});
    SimProcess sim({"--controller", "ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E", "--answer-twice"});
    StartSim(sim);
    Search(kBroadcastAddress);
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(RecordOf(table, "192.168.1.10").substr(56), "01")
        << "the second copy has byte 28 = 1";
    EXPECT_EQ(Paths(tree), (std::vector<std::string>{"Quorrel", "Quorrel/192.168.1.xxx",
                                                     "Quorrel/192.168.1.xxx/192.168.1.10"}));
}

TEST_F(DiscoveryTest, AReplyIsFiledUnderItsSenderWhateverItsRecordSays) {
    AddAddresses({"10.0.0.7/32"});
    std::vector<uint8_t> reply = {192, 168,  1,    50, 255, 255, 255, 0, 192, 168, 1, 1, 0,    0, 0,
                                  0,   0x89, 0x13, 1,  2,   3,   4,   5, 6,   0,   1, 2, 0x0A, 0};
    reply.push_back(static_cast<uint8_t>(0u - core::Sum8(reply.data(), 29)));
    ScriptedController controller("10.0.0.7", reply);
    ASSERT_TRUE(controller.Bound());
    onPump = [&controller] { controller.Serve(); };
    Search("10.0.0.7");
    EXPECT_GE(controller.answered, 1) << "asked again when its answer came late";
    EXPECT_EQ(Paths(tree), (std::vector<std::string>{"Quorrel", "Quorrel/10.0.0.xxx",
                                                     "Quorrel/10.0.0.xxx/10.0.0.7"}));
    EXPECT_EQ(RecordOf(table, "10.0.0.7").substr(0, 8), "C0A80132");
    EXPECT_TRUE(captionsSeen.count("Поиск контроллера по IP"));
}

struct FaultCase {
    const char* name;
    std::vector<std::string> options;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class DroppedReplies : public DiscoveryTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(DroppedReplies, LeaveTheTreeAndTableEmpty) {
    AddAddresses({"192.168.1.10/32"});
    std::vector<std::string> args = {"--controller", "ip=192.168.1.10"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    SimProcess sim(args);
    StartSim(sim);
    Search(kBroadcastAddress);
    EXPECT_TRUE(sim.WaitForEvent("answered", 2000).has_value()) << "the simulator did answer";
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(Paths(tree), (std::vector<std::string>{"Quorrel"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, DroppedReplies,
                         ::testing::Values(FaultCase{"WrongSum", {"--bad-checksum"}},
                                           FaultCase{"TwentyNineBytes", {"--bad-length", "29"}},
                                           FaultCase{"ThirtyOneBytes", {"--bad-length", "31"}},
                                           FaultCase{"Late", {"--late", "1300"}},
                                           FaultCase{"TooLargeForTheBuffer",
                                                     {"--bad-length", "1100"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiscoveryTest, JunkAroundAGoodReplyIsIgnored) {
    AddAddresses({"192.168.1.10/32"});
    SimProcess sim({"--controller", "ip=192.168.1.10", "--junk", "50"});
    StartSim(sim);
    Search(kBroadcastAddress);
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(Paths(tree).size(), 3u);
}

TEST_F(DiscoveryTest, WithTwoLocalPortsTakenTheSearchRunsOnTheThird) {
    AddAddresses({"192.168.1.10/32"});
    const core::UdpSocket held6002 = core::UdpSocket::Open(6002);
    const core::UdpSocket held6003 = core::UdpSocket::Open(6003);
    ASSERT_TRUE(held6002.Valid());
    ASSERT_TRUE(held6003.Valid());
    SimProcess sim({"--controller", "ip=192.168.1.10"});
    StartSim(sim);
    Search(kBroadcastAddress);
    const auto request = sim.WaitForEvent("request", 2000);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(Field(*request, "from"), "127.0.0.1:6004");
    EXPECT_EQ(table.Count(), 1u);
}

TEST_F(DiscoveryTest, WithAllLocalPortsTakenItReturnsAtOnceLeavingTheCaption) {
    const core::UdpSocket held[] = {core::UdpSocket::Open(6002), core::UdpSocket::Open(6003),
                                    core::UdpSocket::Open(6004)};
    marquee->SetCaption("Контроллер 10.0.0.7");
    progress->SetTotalParts(5);
    int pumps = 0;
    onPump = [&pumps] { ++pumps; };
    Search(kBroadcastAddress);
    EXPECT_EQ(pumps, 0);
    EXPECT_EQ(marquee->Caption(), "Контроллер 10.0.0.7");
    EXPECT_EQ(progress->TotalParts(), 5);
}

TEST_F(DiscoveryTest, TheBroadcastAddressTypedAsAnAddressShowsTheBroadcastCaption) {
    Search("255.255.255.255");
    EXPECT_TRUE(captionsSeen.count("Широковещательный поиск"));
    EXPECT_FALSE(captionsSeen.count("Поиск контроллера по IP"));
}

TEST_F(DiscoveryTest, ACommandRunFromThePumpMayEmptyTheTreeMeanwhile) {
    AddAddresses({"192.168.1.10/32", "192.168.1.11/32"});
    SimProcess sim({"--controller", "ip=192.168.1.10", "--controller", "ip=192.168.1.11",
                    "--pace-us", "200000"});
    StartSim(sim);
    bool cleared = false;
    onPump = [&] {
        if (!cleared && table.Count() == 1) {
            cleared = true;
            tree.Nodes()->Clear();
            table.Clear();
        }
    };
    Search(kBroadcastAddress);
    EXPECT_TRUE(cleared);
    EXPECT_EQ(Paths(tree), (std::vector<std::string>{"Quorrel", "Quorrel/192.168.1.xxx",
                                                     "Quorrel/192.168.1.xxx/192.168.1.11"}));
    EXPECT_EQ(table.Count(), 1u);
}

} // namespace
