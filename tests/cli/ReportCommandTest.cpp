// The report of writes (--report) and undo, against the controller simulator in the test's
// private network.
#include "Commands.h"
#include "PrivateNet.h"
#include "SimControllers.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class ReportCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        AddAddresses({"192.168.1.20/32", "10.0.0.6/32"});
        sim = StartThreeControllers();
    }
    void TearDown() override { std::remove(path.c_str()); }

    int Cli(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return cli::Run(args, out, err);
    }
    std::string Report() {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    const std::string path = ::testing::TempDir() + "report-" + std::to_string(::getpid()) + ".csv";
    std::unique_ptr<SimProcess> sim;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ReportCommandTest, TwoSetsAreUndoneFromTheirReport) {
    ASSERT_EQ(Cli({"set", "--mac", "00-1A-2B-3C-4D-5E", "--ip", "192.168.1.20", "--report", path,
                   "--verify"}),
              0)
        << err.str();
    ASSERT_EQ(Cli({"set", "--mac", "0A-0B-0C-0D-0E-0F", "--ip", "10.0.0.6", "--gateway",
                   "10.0.0.254", "--report", path, "--verify"}),
              0)
        << err.str();
    const std::regex time("\n\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d,");
    EXPECT_EQ(std::regex_replace(Report(), time, "\nT,"),
              "time,card,mac,ip_before,mask_before,gateway_before,ip,mask,gateway,destination,"
              "outcome\r\n"
              "T,lo,00-1A-2B-3C-4D-5E,192.168.1.10,255.255.255.0,192.168.1.1,192.168.1.20,"
              "255.255.255.0,192.168.1.1,255.255.255.255,confirmed\r\n"
              "T,lo,0A-0B-0C-0D-0E-0F,10.0.0.5,255.0.0.0,10.0.0.1,10.0.0.6,255.0.0.0,10.0.0.254,"
              "255.255.255.255,confirmed\r\n");

    ASSERT_EQ(Cli({"undo", path, "--verify", "--report", path}), 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("2 rows: 2 written, 2 confirmed, 0 not confirmed, 0 failed\n"),
              std::string::npos)
        << out.str();
    const auto frames = ReportedEvents(*sim, "frame", 4);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(Field(frames[2], "bytes"), "C0A8010AFFFFFF00C0A80101FFFFFFFF89135E4D3C2B1A00FF63");
    EXPECT_EQ(Field(frames[3], "ip") + " " + Field(frames[3], "gw"), "10.0.0.5 10.0.0.1");
    ASSERT_EQ(Cli({"discover", "--format", "csv", "--timeout", "400"}), 0);
    EXPECT_NE(out.str().find("\r\n192.168.1.10,192.168.1.10,255.255.255.0,192.168.1.1,5001,"
                             "00-1A-2B-3C-4D-5E,"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\r\n10.0.0.5,10.0.0.5,255.0.0.0,10.0.0.1,6000,0A-0B-0C-0D-0E-0F,"),
              std::string::npos)
        << out.str();
    // The writes back were appended to the report they came from.
    EXPECT_NE(Report().find(",10.0.0.6,255.0.0.0,10.0.0.254,10.0.0.5,255.0.0.0,10.0.0.1,"
                            "255.255.255.255,confirmed\r\n"),
              std::string::npos)
        << Report();
}

TEST_F(ReportCommandTest, ABrokenReportIsRefusedWithItsLineAndNothingIsSent) {
    std::ofstream(path, std::ios::binary)
        << "time,card,mac,ip_before,mask_before,gateway_before,ip,mask,gateway,destination,"
           "outcome\r\n"
           "2026-12-09T14:10:05+01:00,lo,00-1A-2B-3C-4D-5E,192.168.1.10,255.255.255.0,"
           "192.168.1.1,192.168.1.20,255.255.255.0,192.168.1.1,255.255.255.255,confirmed\r\n"
           "2026-12-09T14:11:05+01:00,lo,0A-0B-0C-0D-0E-0F,10.0.0.5\r\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"undo", path, "--dry-run"},
          {"set", "--mac", "00-1A-2B-3C-4D-5E", "--ip", "192.168.1.20", "--report", path}}) {
        EXPECT_EQ(Cli(args), 2) << args[0];
        EXPECT_EQ(err.str().substr(0, err.str().find('\n')),
                  "quorrel-cli: " + path + ":3: not as many fields as the header line names");
    }
    EXPECT_TRUE(ReportedEvents(*sim, "request").empty());
    EXPECT_TRUE(sim->EventsNamed("frame").empty());
}

} // namespace
