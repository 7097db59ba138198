// quorrel-cli's commands against the controller simulator, in the test's private network.
#include "Commands.h"
#include "LaptopLans.h"
#include "PrivateNet.h"
#include "SimControllers.h"
#include "SimProcess.h"
#include "SwitchedLan.h"
#include "UdpSocket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kMacA = "00-1A-2B-3C-4D-5E"; // 192.168.1.10
const char* const kMacB = "0A-0B-0C-0D-0E-0F"; // 10.0.0.5, reports port 6000

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_PRIVATE_NETWORK(); }
    void TearDown() override {
        if (!planPath.empty())
            std::remove(planPath.c_str());
    }

    // The three controllers (kMacA, kMacB, and 00-1A-2B-3C-4D-60 at 192.168.1.9); addresses
    // controllers move to are added as well, so that they can answer from them.
    void StartControllers(std::vector<std::string> extra = {}) {
        AddAddresses({"192.168.1.20/32", "192.168.1.21/32", "10.0.0.6/32"});
        sim = StartThreeControllers(std::move(extra));
    }

    int Cli(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return cli::Run(args, out, err);
    }

    std::vector<SimProcess::Event> Events(const std::string& name, size_t expected = 1) {
        return ReportedEvents(*sim, name, expected);
    }

    std::string WritePlan(const std::string& text) {
        planPath = ::testing::TempDir() + "plan-" + std::to_string(::getpid()) + ".csv";
        std::ofstream(planPath) << text;
        return planPath;
    }

    // quorrel-cli watch as a child process; the lines it has printed, the time cut off each
    // and JSON lines written as text lines ("moved 192.168.1.20 MAC from 192.168.1.10"), once
    // there are at least count.
    struct Watch {
        explicit Watch(bool json)
            : process({"watch", "--every", "1", "--timeout", "300", "--format",
                       json ? "json" : "table"}) {
            process.RunProgram(QUORREL_CLI_PATH);
        }
        std::vector<std::string> Lines(size_t count) {
            std::vector<std::string> lines;
            for (int i = 0; i < 400 && lines.size() < count; ++i) {
                process.WaitForEvent([](const SimProcess::Event&) { return false; }, 25);
                lines.clear();
                for (const SimProcess::Event& e : process.Events()) {
                    const std::string from = Field(e, "from");
                    const std::string fields = Field(e, "fields");
                    lines.push_back(Field(e, "time") + " " + Field(e, "change") + " " +
                                    Field(e, "sender") + " " + Field(e, "mac") +
                                    (from.empty() ? "" : " from " + from) +
                                    (fields.empty() ? "" : " " + fields));
                }
                for (const std::string& line : process.OtherLines())
                    lines.push_back(line);
            }
            for (std::string& line : lines) {
                const bool timed = line.size() > 20 && std::isdigit(line[0]) && line[4] == '-' &&
                                   line[10] == ' ' && line[13] == ':' && line[19] == ' ';
                line = timed ? line.substr(20) : "no time: " + line;
            }
            return lines;
        }
        SimProcess process;
    };

    std::unique_ptr<SimProcess> sim;
    std::ostringstream out;
    std::ostringstream err;
    std::string planPath;
};

TEST_F(CommandTest, DiscoverListsEveryReplyInEachFormat) {
    StartControllers();
    ASSERT_EQ(Cli({"discover", "--timeout", "400"}), 0) << err.str();
    EXPECT_EQ(out.str().substr(0, 7), "SENDER ");
    EXPECT_NE(out.str().find("\n10.0.0.5      10.0.0.5      255.0.0.0      10.0.0.1     6000  "
                             "0A-0B-0C-0D-0E-0F  01        02.0A     lo\n"),
              std::string::npos)
        << out.str();

    ASSERT_EQ(Cli({"discover", "--address", "192.168.1.10", "--format", "json"}), 0);
    EXPECT_EQ(out.str(), "[\n  {\"sender\": \"192.168.1.10\", \"ip\": \"192.168.1.10\", "
                         "\"mask\": \"255.255.255.0\", \"gateway\": \"192.168.1.1\", \"port\": "
                         "5001, \"mac\": \"00-1A-2B-3C-4D-5E\", \"hardware\": \"01\", "
                         "\"software\": \"02.0A\", \"card\": \"lo\"}\n]\n");

    ASSERT_EQ(Cli({"discover", "--format", "csv", "--timeout", "400"}), 0);
    EXPECT_EQ(out.str(),
              "sender,ip,mask,gateway,port,mac,hardware,software,card\r\n"
              "192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-5E,01,"
              "02.0A,lo\r\n"
              "10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,6000,0A-0B-0C-0D-0E-0F,01,02.0A,lo\r\n"
              "192.168.1.9,192.168.1.9,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-60,01,"
              "02.0A,lo\r\n");
}

// FILE holds 192.168.1.10 with another gateway, 00-1A-2B-3C-4D-60 at 192.168.1.19 and a
// controller that is not there any more; 10.0.0.5 is not in it.
TEST_F(CommandTest, DiscoverComparesWithAnEarlierJsonListing) {
    StartControllers();
    const auto entry = [](const char* sender, const char* gateway, const char* mac,
                          const char* card) {
        return std::string("{\"sender\": \"") + sender + "\", \"ip\": \"" + sender +
               "\", \"mask\": \"255.255.255.0\", \"gateway\": \"" + gateway +
               "\", \"port\": 5001, \"mac\": \"" + mac +
               "\", \"hardware\": \"01\", \"software\": \"02.0A\", \"card\": \"" + card + "\"}";
    };
    const std::string earlier =
        WritePlan("[" + entry("192.168.1.10", "192.168.1.254", kMacA, "lo") + ",\n" +
                  entry("192.168.1.19", "192.168.1.1", "00-1A-2B-3C-4D-60", "lo") + ",\n" +
                  entry("192.168.1.30", "192.168.1.1", "02-00-00-00-00-30", "eth\\u0031") + "]");
    ASSERT_EQ(Cli({"discover", "--compare", earlier, "--format", "csv", "--timeout", "400"}), 0)
        << err.str();
    EXPECT_EQ(out.str(),
              "sender,ip,mask,gateway,port,mac,hardware,software,card,change\r\n"
              "192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-5E,01,"
              "02.0A,lo,record changed\r\n"
              "10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,6000,0A-0B-0C-0D-0E-0F,01,02.0A,lo,new\r\n"
              "192.168.1.9,192.168.1.9,255.255.255.0,192.168.1.1,5001,00-1A-2B-3C-4D-60,01,"
              "02.0A,lo,moved from 192.168.1.19\r\n"
              "192.168.1.30,192.168.1.30,255.255.255.0,192.168.1.1,5001,02-00-00-00-00-30,01,"
              "02.0A,eth1,gone\r\n");
    ASSERT_EQ(Cli({"discover", "--compare", earlier, "--timeout", "400"}), 0);
    EXPECT_NE(out.str().find("  lo    moved from 192.168.1.19\n"), std::string::npos) << out.str();

    // Its own JSON read back: the gone controller is not read, and nothing changed since.
    const std::vector<std::string> compare = {"discover", "--format",  "json", "--timeout",
                                              "400",      "--compare", earlier};
    ASSERT_EQ(Cli(compare), 0);
    EXPECT_NE(out.str().find("\"card\": \"eth1\", \"change\": \"gone\"}\n]\n"), std::string::npos)
        << out.str();
    WritePlan(out.str());
    ASSERT_EQ(Cli(compare), 0);
    const std::string listed = out.str();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 5) << listed;
    const std::regex unchanged("\"change\": \"unchanged\"\\}");
    EXPECT_EQ(std::distance(std::sregex_iterator(listed.begin(), listed.end(), unchanged),
                            std::sregex_iterator()),
              3)
        << listed;

    // And its CSV.
    ASSERT_EQ(Cli({"discover", "--format", "csv", "--timeout", "400", "--compare", earlier}), 0);
    WritePlan(out.str());
    ASSERT_EQ(Cli(compare), 0);
    EXPECT_EQ(out.str(), listed);
}

TEST_F(CommandTest, DiscoverListsAControllerThatAnswersTwiceOnce) {
    StartControllers({"--answer-twice"});
    ASSERT_EQ(Cli({"discover", "--address", "10.0.0.5", "--format", "csv", "--timeout", "300"}), 0);
    const std::string row =
        "10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,6000,0A-0B-0C-0D-0E-0F,01,02.0A,lo\r\n";
    EXPECT_EQ(out.str(), "sender,ip,mask,gateway,port,mac,hardware,software,card\r\n" + row);
}

TEST_F(CommandTest, DiscoverThatHearsNobodyExitsOne) {
    // A broadcast that heard nobody says why (the firewall's lines depend on the machine:
    // FirewallCommandTest pins them down).
    EXPECT_EQ(Cli({"discover", "--timeout", "300", "--format", "json"}), 1);
    EXPECT_EQ(out.str(), "[]\n");
    EXPECT_TRUE(err.str().starts_with(
        "quorrel-cli: no controller answered\n"
        "quorrel-cli: the request went out on no network card: none is up with an IPv4 address "
        "and broadcasts\n"))
        << err.str();
    EXPECT_NE(err.str().find("quorrel-cli: the controllers answer by unicast to the local ports "
                             "6002-6004/udp, which a host firewall must let in\n"),
              std::string::npos)
        << err.str();
    // A search by address is not affected by a host firewall: nothing more to say.
    EXPECT_EQ(Cli({"discover", "--address", "192.168.1.9", "--timeout", "300"}), 1);
    EXPECT_EQ(err.str(), "quorrel-cli: no controller answered\n");
}

TEST_F(CommandTest, SetSendsTheWindowsFrameToBroadcastAndKeepsWhatWasNotGiven) {
    StartControllers();
    ASSERT_EQ(Cli({"set", "--mac", "00:1a:2b:3c:4d:5e", "--ip", "192.168.1.20"}), 0) << err.str();
    const auto frames = Events("frame");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "bytes"), "C0A80114FFFFFF00C0A80101FFFFFFFF89135E4D3C2B1A00FF59");
    EXPECT_EQ(Field(frames[0], "to"), "255.255.255.255");
    EXPECT_EQ(Field(frames[0], "controller"), "192.168.1.10");
    EXPECT_EQ(Field(frames[0], "result"), "accepted");
}

TEST_F(CommandTest, SetWithVerifySeesTheControllerAnswerFromItsNewAddress) {
    StartControllers();
    ASSERT_EQ(Cli({"set", "--mac", kMacB, "--ip", "10.0.0.6", "--gateway", "10.0.0.254",
                   "--address", "10.0.0.5", "--verify"}),
              0)
        << err.str();
    EXPECT_EQ(Field(Events("frame").at(0), "to"), "10.0.0.5")
        << "unicast after a search by address";
    EXPECT_NE(out.str().find("\nconfirmed: answers from 10.0.0.6 with ip 10.0.0.6, mask "
                             "255.0.0.0, gateway 10.0.0.254\n"),
              std::string::npos)
        << out.str();
}

// A controller that loses the frame, and one that takes it but still answers from its old
// address: neither is confirmed.
TEST_F(CommandTest, SetWithVerifyOnAControllerThatDidNotMoveIsNotConfirmed) {
    struct Case {
        const char* option;
        const char* frame; // what the controller did with the frame
        const char* ip;    // what its last answer reported
    } const cases[] = {{"--ignore-frames", "ignored", "192.168.1.10"},
                       {"--answer-from-old", "accepted", "192.168.1.20"}};
    StartControllers({cases[0].option});
    for (const Case& c : cases) {
        if (&c != cases) {
            sim.reset(); // the port is free before the next one starts
            sim = StartThreeControllers({c.option});
        }
        EXPECT_EQ(
            Cli({"set", "--mac", kMacA, "--ip", "192.168.1.20", "--verify", "--timeout", "2000"}),
            1)
            << c.option;
        EXPECT_EQ(Field(Events("frame").at(0), "result"), c.frame) << c.option;
        EXPECT_NE(
            out.str().find(std::string("\nnot confirmed: last answer from 192.168.1.10 with ip ") +
                           c.ip + ", mask 255.255.255.0, gateway 192.168.1.1\n"),
            std::string::npos)
            << out.str();
    }
}

TEST_F(CommandTest, SetForAMacNobodyHasExitsOneAndSendsNoFrame) {
    StartControllers();
    EXPECT_EQ(Cli({"set", "--mac", "02-00-00-00-00-01", "--ip", "192.168.1.20"}), 1);
    EXPECT_FALSE(Events("request").empty());
    EXPECT_TRUE(Events("frame").empty());
}

TEST_F(CommandTest, BadInputExitsTwoAndSendsNothing) {
    StartControllers();
    const std::vector<std::vector<std::string>> bad = {
        {"set", "--mac", kMacA, "--ip", "192.168.1.255"},
        {"set", "--mac", "00-1A-2B-3C-4D-5", "--ip", "192.168.1.20"},
        {"discover", "--frobnicate"},
        {"apply", "/nonexistent/plan.csv"},
        {"discover", "--compare", "/nonexistent/found.json"},
        {"discover", "--compare", WritePlan("[{\"sender\": \"192.168.1.10\"}]")},
        {"watch", "--every", "0"}};
    for (const auto& args : bad) {
        EXPECT_EQ(Cli(args), 2) << args[1] << " " << args.back();
        EXPECT_FALSE(err.str().empty());
    }
    const std::string list = WritePlan("sender,ip,mask,gateway,port,mac,hardware,software\n"
                                       "192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1\n");
    EXPECT_EQ(Cli({"discover", "--compare", list}), 2);
    EXPECT_EQ(err.str(),
              "quorrel-cli: " + list + ":2: not as many fields as the header line names\n");
    EXPECT_TRUE(Events("request").empty());
    EXPECT_TRUE(Events("frame").empty());
}

TEST_F(CommandTest, ApplyWithABadRowSendsNothing) {
    StartControllers();
    const std::string plan =
        WritePlan("mac,ip,mask,gateway\n"
                  "00-1A-2B-3C-4D-5E,192.168.1.20,255.255.255.0,192.168.1.1\n"
                  "0A-0B-0C-0D-0E-0F,10.0.0.6,255.0.0.0,10.0.0.1\n"
                  "00-1A-2B-3C-4D-61,192.168.1.22,0.0.0.0,192.168.1.1\n"
                  "00-1A-2B-3C-4D-60,192.168.1.21,255.255.255.0,192.168.1.1\n");
    EXPECT_EQ(Cli({"apply", plan}), 2);
    EXPECT_NE(err.str().find(plan + ":4: wrong mask format \"0.0.0.0\""), std::string::npos)
        << err.str();
    EXPECT_TRUE(Events("request").empty());
    EXPECT_TRUE(Events("frame").empty());
}

TEST_F(CommandTest, ApplyShowsTheFramesOnADryRunThenWritesAndConfirmsEachRow) {
    StartControllers();
    const std::string plan = WritePlan("mac,ip,mask,gateway\n"
                                       "# the two on the office LAN first\n"
                                       "00-1A-2B-3C-4D-5E,192.168.1.20,255.255.255.0,192.168.1.1\n"
                                       "00-1A-2B-3C-4D-60,192.168.1.21,255.255.255.0,192.168.1.1\n"
                                       "0A-0B-0C-0D-0E-0F,10.0.0.6,255.0.0.0,10.0.0.1\n");
    ASSERT_EQ(Cli({"apply", plan, "--dry-run"}), 0) << err.str();
    EXPECT_NE(out.str().find("line 3: 00-1A-2B-3C-4D-5E would get "
                             "C0A80114FFFFFF00C0A80101FFFFFFFF89135E4D3C2B1A00FF59 to "
                             "255.255.255.255 on lo\n"),
              std::string::npos)
        << out.str();
    EXPECT_TRUE(Events("frame").empty());

    ASSERT_EQ(Cli({"apply", plan, "--verify"}), 0) << out.str() << err.str();
    const auto frames = Events("frame", 3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(Field(frames[0], "ip"), "192.168.1.20");
    EXPECT_EQ(Field(frames[1], "ip"), "192.168.1.21");
    EXPECT_EQ(Field(frames[2], "ip"), "10.0.0.6");
    EXPECT_NE(out.str().find("3 rows: 3 written, 3 confirmed, 0 not confirmed, 0 failed\n"),
              std::string::npos)
        << out.str();
}

TEST_F(CommandTest, AMacHeardFromTwoAddressesIsNotBroadcastButWrittenByAddress) {
    sim = StartTwinControllers();
    const std::string shared = "MAC 00-1A-2B-3C-4D-09 answered from 192.168.1.9, 192.168.1.19: "
                               "a broadcast write would change all of these controllers";
    EXPECT_EQ(Cli({"set", "--mac", "00-1A-2B-3C-4D-09", "--ip", "192.168.1.50"}), 2);
    EXPECT_EQ(err.str(),
              "quorrel-cli: " + shared + ", nothing sent (write to one of them with --address)\n");
    const std::string plan = WritePlan(
        "mac,ip,mask,gateway\n00-1A-2B-3C-4D-09,192.168.1.50,255.255.255.0,192.168.1.1\n");
    EXPECT_EQ(Cli({"apply", plan}), 2);
    EXPECT_EQ(err.str(),
              plan + ":2: " + shared + "\nquorrel-cli: the plan has errors, nothing sent\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(Events("frame").empty());

    ASSERT_EQ(Cli({"set", "--mac", "00-1A-2B-3C-4D-09", "--ip", "192.168.1.50", "--address",
                   "192.168.1.19"}),
              0)
        << err.str();
    const auto frames = Events("frame");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Field(frames[0], "to"), "192.168.1.19");
    EXPECT_EQ(Field(frames[0], "controller"), "192.168.1.19");
}

// A write that would break the site is refused, naming the case, unless --force is given.
TEST_F(CommandTest, SetAndApplyRefuseAWriteThatBreaksTheSiteWithoutForce) {
    StartControllers();
    const std::string refused = "quorrel-cli: nothing sent (give --force to write anyway)\n";
    const std::string taken = "192.168.1.9 is the address of another controller found "
                              "(00-1A-2B-3C-4D-60): two controllers would answer from one address";
    const std::string plan =
        WritePlan("mac,ip,mask,gateway\n00-1A-2B-3C-4D-5E,192.168.1.9,255.255.255.0,192.168.1.1\n");
    const struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"set", "--mac", kMacA, "--ip", "192.168.1.9"}, "quorrel-cli: " + taken + "\n" + refused},
        {{"set", "--mac", kMacA, "--gateway", "10.0.0.1"},
         "quorrel-cli: the gateway 10.0.0.1 is outside the subnet of 192.168.1.10 with mask "
         "255.255.255.0\n" +
             refused},
        {{"apply", plan},
         plan + ":2: " + taken +
             " (--force writes it anyway)\nquorrel-cli: the plan has errors, nothing sent\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cli(c.args), 2) << c.args[0];
        EXPECT_EQ(err.str(), c.err);
    }
    EXPECT_TRUE(Events("frame").empty());
    ASSERT_EQ(Cli({"apply", plan, "--force"}), 0) << err.str();
    EXPECT_EQ(Field(Events("frame").at(0), "ip"), "192.168.1.9");
}

TEST_F(CommandTest, NoFreeLocalPortExitsThreeAndSendsNothing) {
    StartControllers();
    std::vector<core::UdpSocket> held;
    for (uint16_t port : {6002, 6003, 6004})
        held.push_back(core::UdpSocket::Open(port));
    EXPECT_EQ(Cli({"set", "--mac", kMacA, "--ip", "192.168.1.20"}), 3);
    EXPECT_EQ(err.str(), "quorrel-cli: no local port (6002 to 6004) could be opened\n");
    EXPECT_TRUE(Events("request").empty());
}

TEST_F(CommandTest, OneOfFourControllersAtOneAddressIsWrittenByItsMac) {
    sim = StartFourAtOneAddress();
    ASSERT_EQ(Cli({"set", "--mac", "02-00-00-00-00-03", "--ip", "192.168.1.103"}), 0) << err.str();
    ASSERT_EQ(Cli({"discover", "--format", "csv"}), 0) << err.str();
    const std::string listed = out.str();
    EXPECT_NE(listed.find("\n192.168.1.100,192.168.1.100,"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\n192.168.1.103,192.168.1.103,255.255.255.0,192.168.1.1,5001,"
                          "02-00-00-00-00-03"),
              std::string::npos)
        << listed;
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 5) << "a header and four lines";
}

// Controllers that appear, move, change and go, seen by watch as a child process, which
// ends cleanly on SIGTERM (JSON lines) and on SIGINT (text lines).
TEST_F(CommandTest, WatchPrintsEachChangeAsItHappensUntilStopped) {
    const std::vector<std::string> expected = {
        "new 192.168.1.10 00-1A-2B-3C-4D-5E",
        "new 10.0.0.5 0A-0B-0C-0D-0E-0F",
        "new 192.168.1.9 00-1A-2B-3C-4D-60",
        "moved 192.168.1.20 00-1A-2B-3C-4D-5E from 192.168.1.10",
        "record changed 192.168.1.9 00-1A-2B-3C-4D-60 gateway 192.168.1.1 -> 192.168.1.254",
        "gone 192.168.1.20 00-1A-2B-3C-4D-5E",
        "gone 10.0.0.5 0A-0B-0C-0D-0E-0F",
        "gone 192.168.1.9 00-1A-2B-3C-4D-60",
        "new 192.168.1.10 00-1A-2B-3C-4D-5E",
        "new 10.0.0.5 0A-0B-0C-0D-0E-0F",
        "new 192.168.1.9 00-1A-2B-3C-4D-60",
    };
    for (const bool json : {true, false}) {
        StartControllers();
        Watch watch(json);
        ASSERT_EQ(watch.process.Start(), "");
        EXPECT_EQ(watch.Lines(3).size(), 3u);
        ASSERT_EQ(Cli({"set", "--mac", kMacA, "--ip", "192.168.1.20"}), 0) << err.str();
        EXPECT_EQ(watch.Lines(4).size(), 4u);
        ASSERT_EQ(Cli({"set", "--mac", "00-1A-2B-3C-4D-60", "--gateway", "192.168.1.254"}), 0);
        EXPECT_EQ(watch.Lines(5).size(), 5u);
        sim.reset();
        EXPECT_EQ(watch.Lines(8).size(), 8u);
        sim = StartThreeControllers();
        EXPECT_EQ(watch.Lines(11), expected) << (json ? "json" : "text");
        watch.process.Signal(json ? SIGTERM : SIGINT);
        EXPECT_EQ(watch.process.WaitForExit(5000), 0);
        sim.reset();
    }
}

TEST(LaptopCommand, SetWritesOnTheCardTheControllerAnsweredOnAndConfirms) {
    REQUIRE_PRIVATE_NETWORK();
    LaptopLans lans;
    ASSERT_EQ(lans.Build(), "");
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(cli::Run({"set", "--mac", "02-00-C0-A8-01-09", "--ip", "192.168.1.50", "--verify"},
                       out, err),
              0)
        << out.str() << err.str();
    EXPECT_EQ(out.str().substr(0, 44), "sent to 255.255.255.255 on eth0: 02-00-C0-A8");
    EXPECT_NE(out.str().find("\nconfirmed: answers from 192.168.1.50 "), std::string::npos)
        << out.str();
    EXPECT_EQ(lans.officeSim->EventsNamed("frame").size(), 1u);
    EXPECT_TRUE(lans.wifiSim->EventsNamed("frame").empty()) << "nothing reaches the Wi-Fi LAN";
}

// This computer's own address, and one outside the subnet of the card that heard the
// controller, are refused.
TEST(LaptopCommand, SetRefusesTheLaptopsAddressAndLeavingTheCardsSubnet) {
    REQUIRE_PRIVATE_NETWORK();
    LaptopLans lans;
    ASSERT_EQ(lans.Build(), "");
    const struct Case {
        std::vector<std::string> values;
        std::string err;
    } cases[] = {
        {{"--ip", "192.168.1.2"}, "192.168.1.2 is an address of this computer"},
        {{"--ip", "10.1.1.1", "--mask", "255.0.0.0", "--gateway", "10.0.0.1"},
         "10.1.1.1 is outside the subnet of eth0 (192.168.1.2/24), the card the controller "
         "answered on: afterwards only a broadcast search finds it"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"set", "--mac", "02-00-C0-A8-01-09"};
        args.insert(args.end(), c.values.begin(), c.values.end());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::Run(args, out, err), 2);
        EXPECT_EQ(err.str(), "quorrel-cli: " + c.err +
                                 "\nquorrel-cli: nothing sent (give --force to write anyway)\n");
    }
    EXPECT_TRUE(lans.officeSim->EventsNamed("frame").empty());
}

// A printer holds 192.168.1.50 on the controllers' switch: set and apply refuse to give it
// to 192.168.1.9 (the plan's other row, a free address, is no fault) unless --force.
TEST(SwitchedCommand, SetAndApplyRefuseAPrintersAddressUnlessForced) {
    REQUIRE_PRIVATE_NETWORK();
    SwitchedLan lan;
    ASSERT_EQ(lan.BuildWithPrinter(), "");
    const std::string plan = ::testing::TempDir() + "printer-" + std::to_string(::getpid());
    std::ofstream(plan) << "mac,ip,mask,gateway\n"
                           "02-00-C0-A8-01-0A,192.168.1.60,255.255.255.0,192.168.1.1\n"
                           "02-00-C0-A8-01-09,192.168.1.50,255.255.255.0,192.168.1.1\n";
    const std::string taken = "192.168.1.50 is taken by another device (02-00-00-00-00-50) that "
                              "does not answer as a controller: it and the controller would "
                              "answer from one address";
    std::vector<std::string> set = {"set", "--mac", "02-00-C0-A8-01-09", "--ip", "192.168.1.50"};
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run(set, out, err), 2);
    EXPECT_EQ(cli::Run({"apply", plan}, out, err), 2);
    EXPECT_EQ(err.str(), "quorrel-cli: " + taken + "\nquorrel-cli: nothing sent (give --force to " +
                             "write anyway)\n" + plan + ":3: " + taken + " (--force writes it " +
                             "anyway)\nquorrel-cli: the plan has errors, nothing sent\n");
    EXPECT_TRUE(ReportedEvents(*lan.sims[1], "frame").empty()) << "nor to the plan's free row";
    set.push_back("--force");
    EXPECT_EQ(cli::Run(set, out, err), 0) << err.str();
    const auto frames = ReportedEvents(*lan.sims[0], "frame");
    ASSERT_EQ(frames.size(), 1u) << "none before --force";
    EXPECT_EQ(Field(frames[0], "ip"), "192.168.1.50");
    std::remove(plan.c_str());
}

} // namespace
