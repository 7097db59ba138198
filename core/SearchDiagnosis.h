// What a broadcast search that heard no controller tells the user: the cards the request
// went out on, what is known of the host firewall, the local ports the replies must reach,
// and the command that opens them for the firewall found.
#pragma once

#include "HostFirewall.h"
#include "NetworkCards.h"

#include <optional>
#include <string>
#include <vector>

namespace core {

// English lines without a line end, for the command line's error output.
std::vector<std::string> NoReplyDiagnosis(const std::vector<NetworkCard>& cards,
                                          const HostFirewall& firewall);

// A short advice in Russian (UTF-8) for the window's tray balloon: only when a firewall is
// known to be active and not known to admit the ports already.
struct FirewallAdvice {
    std::string title;
    std::string text;
};
std::optional<FirewallAdvice> AdviceForWindow(const HostFirewall& firewall);

} // namespace core
