// A search with the local clock stepped back or forward by an hour in the middle of it.
// The search runs as the window runs it in a child process whose system clock libfaketime
// moves; the steady clock is left alone. The system stamps each datagram's arrival on its
// own clock: the end of the second must hold against the stamps of a stepped clock.
// Controllers on loopback answer at fixed moments after the request; every answer within
// the second must be filed and none after it.
#include "FakeHost.h"
#include "PrivateNet.h"
#include "RunSearch.h"

#include "UdpSocket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

const char* const kChildVariable = "CLOCK_STEP_OFFSETS"; // set in the child only
const char* const kFileVariable = "FAKETIME_TIMESTAMP_FILE";

// Answers after the request: the first four within the second, the others after it. Those
// at 950 and 1050 ms hold the second to its length either way.
struct Answer {
    std::chrono::milliseconds at;
    const char* from;
};
const Answer kAnswers[] = {{100ms, "127.0.0.11"}, {450ms, "127.0.0.12"},  {800ms, "127.0.0.13"},
                           {950ms, "127.0.0.14"}, {1050ms, "127.0.0.15"}, {1600ms, "127.0.0.16"}};

// When an answer went out, after the request reached the controllers: between before and
// after, on the steady clock.
struct Sent {
    std::string from;
    SteadyClock::duration before;
    SteadyClock::duration after;
};

// Offsets of the system clock: the first from 300 ms after the request on, the second
// (when given) from 600 ms on.
struct Steps {
    const char* name;
    const char* offsets; // libfaketime offsets separated by a blank
};

void PrintTo(const Steps& steps, std::ostream* os) {
    *os << steps.name;
}

void WriteOffset(const std::string& offset) {
    std::ofstream(std::getenv(kFileVariable), std::ios::trunc) << offset << '\n';
}

// The controllers' side: waits for "TR" on port 5001, then answers from each address at
// its moment after the request's arrival while moving the system clock as told, and notes
// when each answer went out.
void Controllers(core::UdpSocket& port, const std::vector<std::string>& offsets,
                 std::vector<Sent>& sent) {
    ASSERT_TRUE(port.WaitReadable(5000)) << "no request";
    std::deque<core::Datagram> got;
    ASSERT_EQ(port.ReceiveWaiting(got, 1), 1u);
    const SteadyClock::time_point request(std::chrono::nanoseconds(got.front().arrivalNs));
    std::vector<std::pair<std::chrono::milliseconds, std::string>> clockSteps;
    for (size_t i = 0; i < offsets.size(); ++i)
        clockSteps.emplace_back(i == 0 ? 300ms : 600ms, offsets[i]);
    size_t step = 0;
    for (const Answer& answer : kAnswers) {
        while (step < clockSteps.size() && clockSteps[step].first < answer.at) {
            std::this_thread::sleep_until(request + clockSteps[step].first);
            WriteOffset(clockSteps[step++].second);
        }
        std::this_thread::sleep_until(request + answer.at);
        // A sender of its own per controller; bound to the controller's address so the
        // reply comes from it.
        const sockapi::Handle h = ::socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_NE(h, sockapi::kInvalid);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = inet_addr(answer.from);
        ASSERT_EQ(::bind(h, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(core::kLocalPortBase);
        to.sin_addr.s_addr = inet_addr("127.0.0.1");
        const uint8_t reply[30] = {}; // 30 zero bytes sum to 0: a valid reply
        const auto before = SteadyClock::now();
        EXPECT_EQ(
            ::sendto(h, reply, sizeof reply, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
            static_cast<ssize_t>(sizeof reply));
        sent.push_back({answer.from, before - request, SteadyClock::now() - request});
        sockapi::CloseHandle(h);
    }
}

// Runs in the child, under libfaketime (disabled: only the parent starts it).
TEST(ClockStepChild, DISABLED_SearchesWhileTheClockMoves) {
    const char* given = std::getenv(kChildVariable);
    ASSERT_NE(given, nullptr) << "runs only as the child of ClockStep";
    REQUIRE_PRIVATE_NETWORK();
    std::vector<std::string> offsets;
    std::istringstream words(given);
    for (std::string w; words >> w;)
        offsets.push_back(w);

    FakeWindow window;
    core::UdpSocket port = core::UdpSocket::Open(core::kControllerPort);
    ASSERT_TRUE(port.Valid());
    std::vector<Sent> sent;
    std::thread controllers(Controllers, std::ref(port), offsets, std::ref(sent));
    SearchControllers(window.context, core::kLocalPortBase, "127.0.0.1");
    controllers.join();

    // Judged by when each answer went out (a sender may wake late): within the second when
    // sent 25 ms before its end, after it when sent after its end; one sent in between may
    // be filed or not.
    std::vector<std::string> within;
    std::set<std::string> either;
    for (const Sent& s : sent) {
        if (s.after < 975ms)
            within.push_back(s.from);
        else if (s.before <= 1000ms)
            either.insert(s.from);
    }
    std::vector<std::string> filed;
    for (const core::Controller& c : window.table)
        if (!either.contains(core::DottedQuad(c.address)))
            filed.push_back(core::DottedQuad(c.address));
    EXPECT_EQ(filed, within);
    EXPECT_EQ(window.marquee.history, (std::vector<std::string>{"Поиск контроллера по IP", ""}));
}

class ClockStep : public ::testing::TestWithParam<Steps> {};

// Starts this program again with only the child test, libfaketime preloaded (the steady
// clock not faked), and waits for it at most 20 seconds.
TEST_P(ClockStep, TheSearchLastsOneSecondAndFilesEveryReply) {
    const std::string file =
        ::testing::TempDir() + "clock-step-" + std::to_string(::getpid()) + ".faketime";
    std::ofstream(file, std::ios::trunc) << "+0\n";
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Ends with this process, whatever ends it.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            std::_Exit(126);
        ::setenv("LD_PRELOAD", FAKETIME_LIBRARY, 1);
        ::setenv(kFileVariable, file.c_str(), 1);
        ::setenv("FAKETIME_NO_CACHE", "1", 1);
        ::setenv("DONT_FAKE_MONOTONIC", "1", 1);
        ::setenv("FAKETIME_DONT_FAKE_MONOTONIC", "1", 1);
        ::setenv(kChildVariable, GetParam().offsets, 1);
        const char* argv[] = {"/proc/self/exe", "--gtest_filter=ClockStepChild.*",
                              "--gtest_also_run_disabled_tests", "--gtest_brief=1", nullptr};
        ::execv(argv[0], const_cast<char* const*>(argv));
        std::_Exit(127);
    }
    int status = 0;
    const auto giveUp = SteadyClock::now() + 20s;
    pid_t done = 0;
    while ((done = ::waitpid(child, &status, WNOHANG)) == 0 && SteadyClock::now() < giveUp)
        std::this_thread::sleep_for(20ms);
    if (done == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ::unlink(file.c_str());
        FAIL() << "the search was still running after 20 seconds";
    }
    ::unlink(file.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's failures are in the output above";
}

INSTANTIATE_TEST_SUITE_P(Moves, ClockStep,
                         ::testing::Values(Steps{"Back", "-1h"},
                                           Steps{"BackThenForward", "-1h +1h"},
                                           Steps{"Forward", "+1h"}),
                         [](const ::testing::TestParamInfo<Steps>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
