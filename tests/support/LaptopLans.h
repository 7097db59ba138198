// The installer's laptop for write tests: card wlan0 (10.99.0.2/24) on a Wi-Fi LAN that
// holds the default route, card eth0 (192.168.1.2/24) cabled into the controllers' LAN
// without a gateway. Each LAN is a namespace of its own with a simulator standing in for
// its controllers: 10.99.0.9 on the Wi-Fi LAN, 192.168.1.9 and 192.168.1.10 on the cabled
// one, which also holds 192.168.1.50 for a controller to move to, with the MAC of
// 192.168.1.9's controller (as if it had moved there already). Linux only.
#pragma once

#include "PrivateNet.h"
#include "SimProcess.h"
#include "Topology.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class LaptopLans {
public:
    // Gives an empty string once both LANs, cables, routes and simulators are up.
    std::string Build(const std::vector<std::string>& officeSimExtra = {}) {
        std::string error = wifiLan_.Create();
        if (error.empty())
            error = officeLan_.Create();
        if (error.empty())
            error =
                wlan0_.Connect(wifiLan_, "wlan0", "10.99.0.2/24", {"10.99.0.1/24", "10.99.0.9/24"});
        if (error.empty())
            error = eth0_.Connect(officeLan_, "eth0", "192.168.1.2/24",
                                  {"192.168.1.9/24", "192.168.1.10/24", "192.168.1.50/24"},
                                  "02:00:C0:A8:01:09");
        if (error.empty())
            error = privatenet::RunIp(
                {"route", "replace", "default", "via", "10.99.0.1", "dev", "wlan0"});
        if (error.empty())
            error =
                Launch(wifiSim, wifiLan_, {"--controller", "ip=10.99.0.9,mac=02-00-0A-63-00-09"});
        std::vector<std::string> office = {"--controller", "ip=192.168.1.9,mac=02-00-C0-A8-01-09",
                                           "--controller", "ip=192.168.1.10,mac=02-00-C0-A8-01-0A"};
        office.insert(office.end(), officeSimExtra.begin(), officeSimExtra.end());
        if (error.empty())
            error = Launch(officeSim, officeLan_, office);
        return error;
    }

    ~LaptopLans() {
        // Other tests of the binary expect everything routed to lo again.
        privatenet::RunIp({"route", "replace", "default", "dev", "lo", "src", "127.0.0.1"});
    }

    std::unique_ptr<SimProcess> wifiSim;
    std::unique_ptr<SimProcess> officeSim;

private:
    static std::string Launch(std::unique_ptr<SimProcess>& sim, const privatenet::Lan& lan,
                              std::vector<std::string> args) {
        sim = std::make_unique<SimProcess>(std::move(args));
        sim->EnterNamespace(lan.Path());
        return sim->Start();
    }

    privatenet::Lan wifiLan_, officeLan_;
    privatenet::Cable wlan0_, eth0_;
};
