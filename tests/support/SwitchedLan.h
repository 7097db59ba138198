// A laptop cabled into a switch with controllers that each have a network stack of their
// own, and the laptop's host firewall. Linux only.
//
// The switch is a bridge in a namespace of its own. The test's namespace is the laptop:
// card eth0 (192.168.1.2/24). Every controller is a namespace of its own (so each keeps its
// own neighbour cache and asks for the laptop's hardware address itself) with card eth0 on
// the switch, the controller's MAC on that card, and a simulator answering from its address.
// So is every device that is no controller (a printer), without the simulator.
//
// LaptopFirewall gives the laptop private copies of ufw's folders (/etc/ufw, /lib/ufw) and
// an empty /run, in a mount namespace of its own, so the real ufw can be switched on and
// what the firewall detection reads is up to the test; and it loads nftables rulesets.
#pragma once

#include "PrivateNet.h"
#include "SimProcess.h"
#include "Topology.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <linux/netfilter/nfnetlink.h>
#include <linux/netfilter/nfnetlink_conntrack.h>
#include <linux/netlink.h>
#include <memory>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

class SwitchedLan {
public:
    struct Controller {
        std::string ip;                        // e.g. 192.168.1.9
        std::string mac;                       // e.g. 02-00-C0-A8-01-09
        std::vector<std::string> options = {}; // more of its simulator's, e.g. --ignore-frames
    };

    // Gives an empty string once the switch, the cables and every simulator are up. The
    // devices come after the controllers, as ports of the switch.
    std::string Build(const std::vector<Controller>& controllers,
                      const std::vector<Controller>& devices = {}) {
        if (std::string error = switch_.Create(); !error.empty())
            return error;
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"link", "add", "br0", "type", "bridge"}, {"link", "set", "br0", "up"}})
            if (std::string error = switch_.Ip(args); !error.empty())
                return error;
        if (std::string error = laptop_.Connect(switch_, "eth0", "192.168.1.2/24", {});
            !error.empty())
            return error;
        if (std::string error = switch_.Ip({"link", "set", "lan-eth0", "master", "br0"});
            !error.empty())
            return error;
        std::vector<Controller> all = controllers;
        all.insert(all.end(), devices.begin(), devices.end());
        for (size_t i = 0; i < all.size(); ++i) {
            auto& stack = stacks_.emplace_back(std::make_unique<privatenet::Lan>());
            if (std::string error = stack->Create(); !error.empty())
                return error;
            std::string mac = all[i].mac;
            std::replace(mac.begin(), mac.end(), '-', ':');
            const std::string port = "port" + std::to_string(i);
            for (const auto& args : std::vector<std::vector<std::string>>{
                     {"link", "add", port, "type", "veth", "peer", "name", "eth0", "netns",
                      std::to_string(stack->Pid())},
                     {"link", "set", port, "master", "br0"},
                     {"link", "set", port, "up"}})
                if (std::string error = switch_.Ip(args); !error.empty())
                    return error;
            for (const auto& args : std::vector<std::vector<std::string>>{
                     {"link", "set", "eth0", "address", mac},
                     {"addr", "add", all[i].ip + "/24", "dev", "eth0"},
                     {"link", "set", "eth0", "up"}})
                if (std::string error = stack->Ip(args); !error.empty())
                    return error;
            if (i >= controllers.size())
                continue;
            std::vector<std::string> args = {
                "--controller", "ip=" + controllers[i].ip +
                                    ",mask=255.255.255.0,gw=192.168.1.1,mac=" + controllers[i].mac};
            args.insert(args.end(), controllers[i].options.begin(), controllers[i].options.end());
            auto sim = std::make_unique<SimProcess>(std::move(args));
            sim->EnterNamespace(stack->Path());
            if (std::string error = sim->Start(); !error.empty())
                return error;
            sims.push_back(std::move(sim));
        }
        return {};
    }

    // Cables one more of the laptop's cards into the switch (after Build), for example its
    // Wi-Fi reaching the same LAN through an access point. Empty string on success.
    // Build with 192.168.1.9 (02-00-C0-A8-01-09) and 192.168.1.10 (02-00-C0-A8-01-0A), and a
    // printer, which is no controller, at 192.168.1.50 (02-00-00-00-00-50).
    std::string BuildWithPrinter() {
        return Build({{"192.168.1.9", "02-00-C0-A8-01-09"}, {"192.168.1.10", "02-00-C0-A8-01-0A"}},
                     {{"192.168.1.50", "02-00-00-00-00-50"}});
    }

    std::string AddCard(const std::string& card, const std::string& cidr) {
        auto cable = std::make_unique<privatenet::Cable>();
        if (std::string error = cable->Connect(switch_, card, cidr, {}); !error.empty())
            return error;
        cards_.push_back(std::move(cable));
        return switch_.Ip({"link", "set", "lan-" + card, "master", "br0"});
    }

    // The switch's namespace (for SwitchRules).
    const privatenet::Lan& Switch() const { return switch_; }

    // Empties every controller's neighbour cache, and with it the replies still waiting
    // there for the laptop's hardware address. Empty string on success.
    std::string ForgetLaptop() {
        for (const auto& stack : stacks_)
            if (std::string error = stack->Ip({"neigh", "flush", "all"}); !error.empty())
                return error;
        return {};
    }

    ~SwitchedLan() {
        sims.clear(); // the simulators end before their namespaces
        // A namespace's holding process also holds the release pipes of those created
        // before it: they go in the reverse order, the switch last.
        while (!stacks_.empty())
            stacks_.pop_back();
    }

    std::vector<std::unique_ptr<SimProcess>> sims;

private:
    privatenet::Lan switch_;
    privatenet::Cable laptop_;
    std::vector<std::unique_ptr<privatenet::Lan>> stacks_;
    std::vector<std::unique_ptr<privatenet::Cable>> cards_; // the laptop's further cards
};

class LaptopFirewall {
public:
    // A stateful ruleset that drops what is incoming unless it belongs to traffic the
    // laptop started; extra rules (nft syntax, one per line) are accepted before the drop.
    static std::string DropIncoming(const std::string& extra = {}) {
        return "table inet laptop {\n"
               "  chain input {\n"
               "    type filter hook input priority 0; policy drop;\n"
               "    ct state established,related accept\n"
               "    iif lo accept\n" +
               extra +
               "  }\n"
               "}\n";
    }
    // Drops ARP as well: no controller learns the laptop's hardware address, so none can
    // answer at all, and none is filed in the neighbour table.
    static std::string DropArp() {
        return "table arp laptoparp {\n"
               "  chain input {\n"
               "    type filter hook input priority 0; policy drop;\n"
               "  }\n"
               "}\n";
    }

    // Loads an nftables ruleset into the laptop's namespace. Empty string on success. The
    // connection table is emptied first: the replies of an earlier test of this process
    // would otherwise pass the new ruleset as "established".
    std::string Load(const std::string& ruleset) {
        if (std::string error = ForgetConnections(); !error.empty())
            return error;
        const std::string path = Temp("ruleset.nft");
        std::ofstream(path) << ruleset;
        return Run("nft -f " + path);
    }

    // Enters a mount namespace of its own with private copies of ufw's folders and an empty
    // /run (no system bus). Empty string on success. Done once per process, and later tests
    // of it keep the copies; a failure is given to every later call too, so that no test
    // works on the machine's own files.
    std::string PrivateFiles() {
        static const std::string result = EnterPrivateFiles();
        return result;
    }

    // Runs a shell command; its output goes into the failure text. Empty string on success.
    static std::string Run(const std::string& command) {
        const std::string log = Temp("command.log");
        const int status = std::system((command + " >" + log + " 2>&1").c_str());
        if (status == 0)
            return {};
        std::ifstream in(log);
        const std::string output((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        return command + ": " + output;
    }

private:
    static std::string EnterPrivateFiles() {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
        // Nothing mounted here may reach the machine's own mount namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("making / private: ") + std::strerror(errno);
        // ufw as the package installs it: its rules and ufw.conf from /usr/share/ufw, which an
        // ordinary user can read (those in /etc/ufw only root can, and they may hold this
        // machine's own rules); its application profiles and /lib/ufw as they are.
        const std::string etc = Temp("etc-ufw");
        const std::string lib = Temp("lib-ufw");
        if (std::string error =
                Run("rm -rf " + etc + " " + lib + " && mkdir " + etc +
                    " && cp -R /etc/ufw/applications.d /etc/ufw/sysctl.conf " + etc +
                    " && cp -L /usr/share/ufw/*.rules /usr/share/ufw/*.init "
                    "/usr/share/ufw/ufw.conf " +
                    etc + " && cp -R /lib/ufw " + lib);
            !error.empty())
            return error;
        for (const auto& [copy, folder] : {std::pair{etc, "/etc/ufw"}, {lib, "/lib/ufw"}})
            if (::mount(copy.c_str(), folder, nullptr, MS_BIND, nullptr) != 0)
                return std::string("bind mount over ") + folder + ": " + std::strerror(errno);
        // An empty /run of its own: no system bus, and room for ufw's lock file.
        const std::string run = Temp("run");
        if (std::string error = Run("rm -rf " + run + " && mkdir " + run); !error.empty())
            return error;
        if (::mount(run.c_str(), "/run", nullptr, MS_BIND, nullptr) != 0)
            return std::string("bind mount over /run: ") + std::strerror(errno);
        return {};
    }

    // Empties the namespace's connection-tracking table (what `conntrack -F` does), through
    // ctnetlink. Empty string on success.
    static std::string ForgetConnections() {
        const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_NETFILTER);
        if (fd < 0)
            return std::string("netfilter netlink socket: ") + std::strerror(errno);
        struct {
            nlmsghdr header;
            nfgenmsg body;
        } request{};
        request.header.nlmsg_len = sizeof(request);
        request.header.nlmsg_type = (NFNL_SUBSYS_CTNETLINK << 8) | IPCTNL_MSG_CT_DELETE;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
        request.body.nfgen_family = AF_INET;
        request.body.version = NFNETLINK_V0;
        std::string error;
        char reply[512];
        if (::send(fd, &request, sizeof(request), 0) != static_cast<ssize_t>(sizeof(request)))
            error = std::string("flushing connection tracking: ") + std::strerror(errno);
        else if (const ssize_t got = ::recv(fd, reply, sizeof(reply), 0);
                 got < static_cast<ssize_t>(sizeof(nlmsghdr) + sizeof(nlmsgerr)))
            error = "flushing connection tracking: no acknowledgement";
        else if (const auto* ack = reinterpret_cast<const nlmsghdr*>(reply);
                 ack->nlmsg_type == NLMSG_ERROR) {
            const int code = -reinterpret_cast<const nlmsgerr*>(NLMSG_DATA(ack))->error;
            if (code != 0)
                error = std::string("flushing connection tracking: ") + std::strerror(code);
        }
        ::close(fd);
        return error;
    }

    static std::string Temp(const std::string& name) {
        return ::testing::TempDir() + "laptop-" + std::to_string(::getpid()) + "-" + name;
    }
};

// nftables in the switch's namespace, for example a bridge table that loses frames on their
// way through it as the air loses a laptop's datagrams.
class SwitchRules {
public:
    explicit SwitchRules(const SwitchedLan& lan) : netns_(lan.Switch().Path()) {}

    // Loads a ruleset. Empty string on success.
    std::string Load(const std::string& ruleset) const {
        const std::string path = Temp("switch.nft");
        std::ofstream(path) << ruleset;
        return LaptopFirewall::Run(Nft() + " -f " + path);
    }

    // What `nft list ruleset` prints there, or the error.
    std::string List() const {
        const std::string path = Temp("switch-list.txt");
        if (std::string error = LaptopFirewall::Run("(" + Nft() + " list ruleset >" + path + ")");
            !error.empty())
            return error;
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string Nft() const { return "nsenter --net=" + netns_ + " nft"; }
    static std::string Temp(const std::string& name) {
        return ::testing::TempDir() + "switch-" + std::to_string(::getpid()) + "-" + name;
    }

    std::string netns_;
};
