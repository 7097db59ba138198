// The simulated controllers that the window's and the command line's tests share, started in
// the test's private network, and a look at the frames they received.
#pragma once

#include "PrivateNet.h"
#include "SimProcess.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Adds each address (CIDR) to the test's private network.
inline void AddAddresses(std::initializer_list<const char*> cidrs) {
    for (const char* cidr : cidrs)
        ASSERT_EQ(privatenet::AddAddress(cidr), "") << cidr;
}

// A box of four new controllers at their factory address 192.168.1.100, MACs
// 02-00-00-00-00-01 to -04; 192.168.1.103 is added for one of them to move to.
inline std::unique_ptr<SimProcess> StartFourAtOneAddress() {
    AddAddresses({"192.168.1.100/32", "192.168.1.103/32"});
    std::vector<std::string> args = {"--shared-addresses"};
    for (const char* mac : {"01", "02", "03", "04"})
        args.insert(args.end(),
                    {"--controller", "ip=192.168.1.100,mac=02-00-00-00-00-" + std::string(mac)});
    auto sim = std::make_unique<SimProcess>(std::move(args));
    EXPECT_EQ(sim->Start(), "");
    return sim;
}

// The three controllers most tests use, on two subnets, answering in this order:
// 192.168.1.10 (00-1A-2B-3C-4D-5E), 10.0.0.5 (0A-0B-0C-0D-0E-0F, reports port 6000) and
// 192.168.1.9 (00-1A-2B-3C-4D-60). extra: more simulator options.
inline std::unique_ptr<SimProcess> StartThreeControllers(std::vector<std::string> extra = {}) {
    AddAddresses({"192.168.1.9/32", "192.168.1.10/32", "10.0.0.5/32"});
    std::vector<std::string> args = {
        "--controller", "ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E",
        "--controller", "ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F,port=6000",
        "--controller", "ip=192.168.1.9,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-60",
        "--pace-us",    "3000"};
    args.insert(args.end(), extra.begin(), extra.end());
    auto sim = std::make_unique<SimProcess>(args);
    EXPECT_EQ(sim->Start(), "");
    return sim;
}

// Two controllers that answer with one MAC, 00-1A-2B-3C-4D-09: 192.168.1.9 first, then
// 192.168.1.19.
inline std::unique_ptr<SimProcess> StartTwinControllers() {
    AddAddresses({"192.168.1.9/32", "192.168.1.19/32"});
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{
        "--controller", "ip=192.168.1.9,mac=00-1A-2B-3C-4D-09", "--controller",
        "ip=192.168.1.19,mac=00-1A-2B-3C-4D-09", "--shared-macs", "--pace-us", "3000"});
    EXPECT_EQ(sim->Start(), "");
    return sim;
}

// The simulator's events of that name, waiting up to half a second for the expected number
// (as long when fewer come, so that an event that is on its way has time to show).
inline std::vector<SimProcess::Event> ReportedEvents(SimProcess& sim, const std::string& name,
                                                     size_t expected = 1) {
    for (int i = 0; i < 20 && sim.EventsNamed(name).size() < expected; ++i)
        sim.WaitForEvent([](const SimProcess::Event&) { return false; }, 25);
    return sim.EventsNamed(name);
}
