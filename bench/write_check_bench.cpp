// write-check-bench: how long the check after a write takes to its outcome. For each kind
// of controller it starts controller-sim inside a private network namespace, sends the frame
// that moves 192.168.1.10 to 192.168.1.20 by broadcast, runs the check with its default
// time and prints the outcome and when it came.
//
//   write-check-bench [RESTART_MS ...]        (default: 300 1500 4000 12000)
//
// Figures only; nothing is asserted.
#include "PrivateNet.h"
#include "SimProcess.h"
#include "WriteCheck.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* ResultText(core::WriteCheckResult r) {
    switch (r) {
    case core::WriteCheckResult::kConfirmed:
        return "confirmed";
    case core::WriteCheckResult::kOtherValues:
        return "other values";
    case core::WriteCheckResult::kNoAnswer:
        return "no answer";
    }
    return "?";
}

// One run against a controller started with options; false when the simulator or the
// frame did not get going.
bool Run(const std::string& name, std::vector<std::string> options) {
    options.insert(options.begin(), {"--controller", "ip=192.168.1.10,mac=00-1A-2B-3C-4D-09"});
    SimProcess sim(options);
    if (const std::string error = sim.Start(); !error.empty()) {
        std::fprintf(stderr, "write-check-bench: %s\n", error.c_str());
        return false;
    }
    core::ControllerRecord values;
    values.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x09};
    values.ip = {192, 168, 1, 20};
    values.mask = {255, 255, 255, 0};
    values.gateway = {192, 168, 1, 1};
    const core::FrameBytes frame = core::ConfigFrame(values);
    const core::WriteDestination to{core::kBroadcast, 0};
    if (core::SendFrame(frame, to) != core::FrameSent::kSent) {
        std::fprintf(stderr, "write-check-bench: the frame did not go out\n");
        return false;
    }
    const core::WriteCheckOutcome o = core::CheckWrite(core::CheckAfterWrite(values, to));
    std::printf("%-28s %-13s %6lld ms  %zu requests\n", name.c_str(), ResultText(o.result),
                static_cast<long long>(o.after.count()), sim.EventsNamed("request").size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::string error = privatenet::Enter(); !error.empty()) {
        std::fprintf(stderr, "write-check-bench: %s\n", error.c_str());
        return 1;
    }
    for (const char* cidr : {"192.168.1.10/32", "192.168.1.20/32"})
        if (const std::string error = privatenet::AddAddress(cidr); !error.empty()) {
            std::fprintf(stderr, "write-check-bench: %s\n", error.c_str());
            return 1;
        }
    std::vector<std::string> restarts(argv + 1, argv + argc);
    if (restarts.empty())
        restarts = {"300", "1500", "4000", "12000"};
    std::printf("check time %lld ms, a request every %lld ms\n",
                static_cast<long long>(core::kWriteCheckTime.count()),
                static_cast<long long>(core::kWriteCheckAskEvery.count()));
    bool ok = Run("takes the frame", {}) && Run("ignores the frame", {"--ignore-frames"});
    for (const std::string& ms : restarts)
        ok = ok && Run("restarts for " + ms + " ms", {"--restart", ms});
    return ok ? 0 : 1;
}
