#include "NoReplyText.h"

#include "ControllerRecord.h"
#include "Ports.h"

namespace cli {
namespace {

const std::string kPorts = std::string(core::kLocalPortRange) + "/udp";

std::string CardList(const std::vector<core::NetworkCard>& cards) {
    std::string text;
    for (const core::NetworkCard& card : cards) {
        if (!text.empty())
            text += ", ";
        text += card.name + " (" + core::DottedQuad(card.address) + "/" +
                std::to_string(card.prefix) + ")";
    }
    return text;
}

std::string Name(const core::HostFirewall& firewall) {
    using Kind = core::HostFirewall::Kind;
    switch (firewall.kind) {
    case Kind::kUfw:
        return "ufw";
    case Kind::kFirewalld:
        return "firewalld";
    case Kind::kWindows:
        return "Windows Firewall";
    case Kind::kNone:
        break;
    }
    return "";
}

// Where the finding was read.
std::string Detail(const core::HostFirewall& firewall) {
    using Kind = core::HostFirewall::Kind;
    using State = core::HostFirewall::State;
    switch (firewall.kind) {
    case Kind::kUfw:
        return "ENABLED=yes in " + firewall.configFile;
    case Kind::kFirewalld:
        return firewall.zone.empty() ? "it runs" : "it runs, default zone " + firewall.zone;
    case Kind::kWindows:
        if (firewall.state == State::kCannotTell)
            return "the firewall's policy could not be read";
        if (firewall.state == State::kInactive)
            return "it is off for the current network profiles";
        return firewall.portsOpen ? "it is on, and lets replies to broadcasts through"
                                  : "it is on, and replies to broadcasts are disabled by policy";
    case Kind::kNone:
        break;
    }
    return "neither ufw nor firewalld is active, and other nftables or iptables rules can be "
           "read only by an administrator";
}

std::string FirewallLine(const core::HostFirewall& firewall) {
    using State = core::HostFirewall::State;
    switch (firewall.state) {
    case State::kActive:
        return "a host firewall is active: " + Name(firewall) + " (" + Detail(firewall) + ")" +
               (firewall.portsOpen ? "; it admits the local ports " + kPorts : "");
    case State::kInactive:
        return "the host firewall is off: " + Name(firewall) + " (" + Detail(firewall) + ")";
    case State::kCannotTell:
        break;
    }
    return "whether a host firewall is active cannot be told: " + Detail(firewall);
}

} // namespace

std::vector<std::string> NoReplyText(const core::NoReplyFacts& facts) {
    std::vector<std::string> lines;
    lines.push_back(facts.asked.empty() ? "the request went out on no network card: none is up "
                                          "with an IPv4 address and broadcasts"
                                        : "the request went out on " + CardList(facts.asked));
    for (const std::string& card : facts.withoutAddress)
        lines.push_back(
            "the card " + card +
            " is up but has no IPv4 address: give it one by hand, for example: " +
            core::AddressCommand(card, core::kSuggestedAddress, core::kSuggestedPrefix));
    lines.push_back(FirewallLine(facts.firewall));
    lines.push_back("the controllers answer by unicast to the local ports " + kPorts +
                    ", which a host firewall must let in");
    if (!facts.firewall.portsOpen && !facts.firewall.openCommand.empty())
        lines.push_back("open them for " + Name(facts.firewall) +
                        " with: " + facts.firewall.openCommand +
                        (facts.firewall.openAsAdministrator ? " (as Administrator)" : ""));
    return lines;
}

} // namespace cli
