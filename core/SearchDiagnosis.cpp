#include "SearchDiagnosis.h"

#include "Ports.h"

namespace core {
namespace {

const std::string kPorts = std::string(kLocalPortRange) + "/udp";

std::string CardList(const std::vector<NetworkCard>& cards) {
    std::string text;
    for (const NetworkCard& card : cards) {
        if (!text.empty())
            text += ", ";
        text += card.name + " (" + card.address + "/" + std::to_string(card.prefix) + ")";
    }
    return text;
}

std::string FirewallLine(const HostFirewall& firewall) {
    switch (firewall.state) {
    case HostFirewall::State::kActive:
        return "a host firewall is active: " + firewall.name + " (" + firewall.detail + ")" +
               (firewall.portsOpen ? std::string("; it admits the local ports ") + kPorts : "");
    case HostFirewall::State::kInactive:
        return "the host firewall is off: " + firewall.name + " (" + firewall.detail + ")";
    case HostFirewall::State::kCannotTell:
        break;
    }
    return "whether a host firewall is active cannot be told: " + firewall.detail;
}

} // namespace

std::vector<std::string> NoReplyDiagnosis(const std::vector<NetworkCard>& cards,
                                          const HostFirewall& firewall) {
    std::vector<std::string> lines;
    lines.push_back(cards.empty() ? "the request went out on no network card: none is up with "
                                    "an IPv4 address and broadcasts"
                                  : "the request went out on " + CardList(cards));
    lines.push_back(FirewallLine(firewall));
    lines.push_back(std::string("the controllers answer by unicast to the local ports ") + kPorts +
                    ", which a host firewall must let in");
    if (!firewall.portsOpen && !firewall.openCommand.empty())
        lines.push_back("open them for " + firewall.name + " with: " + firewall.openCommand);
    return lines;
}

std::optional<FirewallAdvice> AdviceForWindow(const HostFirewall& firewall) {
    if (!firewall.KnownActive() || firewall.portsOpen)
        return std::nullopt;
    FirewallAdvice advice;
    advice.title = "Контроллеры не найдены";
    advice.text = "Брандмауэр " + firewall.name +
                  " может не пропускать ответы контроллеров. Откройте порты " + kPorts +
                  (firewall.openCommand.empty() ? "." : ": " + firewall.openCommand);
    return advice;
}

} // namespace core
