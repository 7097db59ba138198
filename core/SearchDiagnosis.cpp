#include "SearchDiagnosis.h"

#include <algorithm>

namespace core {

NoReplyFacts DiagnoseNoReply(std::vector<NetworkCard> asked,
                             std::vector<std::string> withoutAddress, HostFirewall firewall) {
    std::erase_if(withoutAddress, [&](const std::string& name) {
        return std::any_of(asked.begin(), asked.end(),
                           [&](const NetworkCard& card) { return card.name == name; });
    });
    return {std::move(asked), std::move(withoutAddress), std::move(firewall)};
}

NoReplyFacts DiagnoseNoReply() {
    return DiagnoseNoReply(BroadcastCards(), CardsWithoutAddress(), DetectHostFirewall());
}

} // namespace core
