#include "Plan.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Phrases.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<int> Lines(const core::Plan& plan) {
    std::vector<int> lines;
    for (const core::PlanFault& e : plan.errors)
        lines.push_back(e.line);
    return lines;
}

TEST(Plan, EveryFaultIsReportedWithItsLineAndOnlyGoodRowsRemain) {
    const core::Plan plan =
        core::ParsePlan("# site A, floor 2\r\n"
                        "MAC, IP, Mask, Gateway\r\n"
                        "\r\n"
                        "00-1A-2B-3C-4D-5E,192.168.1.20,255.255.255.0,192.168.1.1\r\n"
                        "\"0a:0b:0c:0d:0e:0f\",10.0.0.6,255.0.0.0,10.0.0.1\r\n"
                        "00-1A-2B-3C-4D-5,192.168.1.21,255.255.255.0,192.168.1.1\n"
                        "00-1A-2B-3C-4D-60,192.168.1.255,255.255.255.0,192.168.1.1\n"
                        "00-1a-2b-3c-4d-5e,192.168.1.22,255.255.255.0,192.168.1.1\n"
                        "00-1A-2B-3C-4D-61,192.168.1.020,255.255.255.0,192.168.1.1\n"
                        "00-1A-2B-3C-4D-63,192.168.1.0,255.255.255.0,192.168.1.1\n"
                        "00-1A-2B-3C-4D-64,192.168.1.000,255.255.255.0,192.168.1.1\n"
                        "00-1A-2B-3C-4D-65,192.168.1.23,255.255.255.0\n");
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].line, 4);
    EXPECT_EQ(plan.rows[1].mac, (core::Mac{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
    EXPECT_EQ(plan.rows[1].ip, "10.0.0.6");
    EXPECT_EQ(plan.rows[2].line, 10);
    EXPECT_EQ(Lines(plan), (std::vector<int>{6, 7, 8, 9, 11, 12}));
    ASSERT_EQ(plan.errors.size(), 6u);
    EXPECT_NE(cli::Describe(plan.errors[0]).find("wrong MAC \"00-1A-2B-3C-4D-5\""),
              std::string::npos);
    EXPECT_EQ(cli::Describe(plan.errors[1]),
              "wrong IP address format \"192.168.1.255\": a group is above 254");
    EXPECT_EQ(cli::Describe(plan.errors[2]), "MAC 00-1A-2B-3C-4D-5E is already on line 4");
    EXPECT_NE(cli::Describe(plan.errors[3]).find("192.168.1.020"), std::string::npos);
    EXPECT_EQ(cli::Describe(plan.errors[4]), "IP address 192.168.1.000 is already given on line 10")
        << "the same address written with more zeros";
    EXPECT_EQ(cli::Describe(plan.errors[5]), "4 fields expected (mac,ip,mask,gateway), found 3");
}

TEST(Plan, AHeaderAndAtLeastOneRowAreNeeded) {
    EXPECT_EQ(Lines(core::ParsePlan("00-1A-2B-3C-4D-5E,192.168.1.20,255.255.255.0,192.168.1.1\n"
                                    "00-1A-2B-3C-4D-5F,192.168.1.21,255.255.255.0,192.168.1.1\n")),
              (std::vector<int>{1}));
    EXPECT_EQ(core::ParsePlan("mac,ip,mask,gateway\n# nothing yet\n").errors.size(), 1u);
    EXPECT_EQ(core::ParsePlan("").errors.size(), 1u);
}

// Each command's help lists every option it takes, with the defaults the command uses.
TEST(CommandLine, EachCommandHasItsHelpAndNeedsNoNetworkForIt) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"discover",
         {"\n  --address A  ", "\n  --timeout MS  ", "(default 1000)\n",
          "\n  --format table|json|csv  ", "\n  --compare FILE  "}},
        {"set",
         {"\n  --mac MAC  ", "\n  --ip A  ", "\n  --mask M  ", "\n  --gateway G  ",
          "\n  --address A  ", "\n  --verify  ", "\n  --timeout MS  ", "(default 10000)\n",
          "\n  --force  "}},
        {"apply",
         {"apply PLAN.csv [--verify]", "\n  --verify  ", "\n  --timeout MS  ", "(default 10000)\n",
          "\n  --dry-run  ", "\n  --force  "}},
        {"watch",
         {"\n  --every SECONDS  ", "(default 5)\n", "\n  --address A  ", "\n  --timeout MS  ",
          "\n  --format table|json  "}}};
    for (const auto& [command, options] : commands) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::Run({command, "--help"}, out, err), 0);
        const std::string help = out.str();
        EXPECT_EQ(help.rfind("usage: quorrel-cli " + command + " ", 0), 0u) << help;
        for (const std::string& option : options)
            EXPECT_NE(help.find(option), std::string::npos) << option << " in\n" << help;
        EXPECT_NE(help.find("\n  -h, --help  "), std::string::npos) << help;
        EXPECT_NE(help.find("\nExit status: "), std::string::npos) << help;
        EXPECT_EQ(help.find("doubles"), std::string::npos) << "a search lists each once";
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(cli::Run({"flash"}, out, err), 2);
    EXPECT_EQ(err.str(), "quorrel-cli: unknown command \"flash\" (see quorrel-cli --help)\n");
}

// Read without running anything: a wrong command line is one complaint.
TEST(CommandLine, AWrongCommandLineIsNamedInOneComplaint) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"set", "--mac", "00-1A-2B-3C-4D-5"},
         "--mac takes six two-digit hexadecimal groups such as 00-1A-2B-3C-4D-5E, got "
         "\"00-1A-2B-3C-4D-5\""},
        {{"set", "--ip", "192.168.1.20"}, "set needs --mac"},
        {{"discover", "--address", "192.168.1.256"},
         "--address takes an IPv4 address such as 192.168.1.10, got \"192.168.1.256\""},
        {{"discover", "--timeout", "3600001"},
         "--timeout takes milliseconds from 1 to 3600000, got \"3600001\""},
        {{"watch", "--every", "0"}, "--every takes seconds from 1 to 86400, got \"0\""},
        {{"watch", "--format", "csv"}, "--format takes table or json, got \"csv\""},
        {{"discover", "--format", "json", "--timeout"}, "--timeout needs a value"},
        {{"discover", "found.json"}, "unknown option \"found.json\""},
        {{"apply", "--verify"}, "apply needs a plan file"},
        {{"apply", "a.csv", "--force", "b.csv"},
         "apply takes one plan file, got a second one \"b.csv\""}};
    for (const auto& [args, error] : cases) {
        const cli::ParsedCommandLine parsed = cli::ParseCommandLine(args);
        EXPECT_FALSE(parsed.command.has_value()) << error;
        EXPECT_EQ(parsed.error, error);
    }
    const auto set = cli::ParseCommandLine(
        {"set", "--address", "10.0.0.5", "--mac", "00:1a:2b:3c:4d:5e", "--help"});
    ASSERT_TRUE(set.command.has_value()) << set.error;
    EXPECT_EQ(set.command->mac, (core::Mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_EQ(set.command->address, (core::Ip4{10, 0, 0, 5}));
    EXPECT_EQ(set.command->timeoutMs, 10000);
    EXPECT_TRUE(set.command->help);
}

TEST(Phrases, SayWhichFieldOrMacAndWhy) {
    const auto faults = core::CheckWriteValues({"192.168.1.255", "255.255.255.0", "", "5x"});
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_EQ(cli::Describe(faults[0]),
              "wrong IP address format \"192.168.1.255\": a group is above 254");
    EXPECT_EQ(cli::Describe(faults[1]), "wrong gateway format \"\": empty");
    EXPECT_EQ(cli::Describe(faults[2]), "wrong port format \"5x\": not a whole number");
    EXPECT_EQ(cli::DescribeSharedMac({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x09},
                                     {{192, 168, 1, 9}, {192, 168, 1, 19}}),
              "MAC 00-1A-2B-3C-4D-09 answered from 192.168.1.9, 192.168.1.19: a broadcast write "
              "would change all of these controllers");
}

} // namespace
