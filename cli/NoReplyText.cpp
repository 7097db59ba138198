#include "NoReplyText.h"

#include "Ports.h"

namespace cli {
namespace {

const std::string kPorts = std::string(core::kLocalPortRange) + "/udp";

std::string CardList(const std::vector<core::NetworkCard>& cards) {
    std::string text;
    for (const core::NetworkCard& card : cards) {
        if (!text.empty())
            text += ", ";
        text += card.name + " (" + card.address + "/" + std::to_string(card.prefix) + ")";
    }
    return text;
}

std::string FirewallLine(const core::HostFirewall& firewall) {
    using State = core::HostFirewall::State;
    switch (firewall.state) {
    case State::kActive:
        return "a host firewall is active: " + firewall.name + " (" + firewall.detail + ")" +
               (firewall.portsOpen ? "; it admits the local ports " + kPorts : "");
    case State::kInactive:
        return "the host firewall is off: " + firewall.name + " (" + firewall.detail + ")";
    case State::kCannotTell:
        break;
    }
    return "whether a host firewall is active cannot be told: " + firewall.detail;
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
        lines.push_back("open them for " + facts.firewall.name +
                        " with: " + facts.firewall.openCommand);
    return lines;
}

} // namespace cli
