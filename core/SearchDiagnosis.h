// What is known when a broadcast search heard no controller: the cards the request went out
// on, the cards that are up but have no IPv4 address to send it from, and the host
// firewall. Facts only: the window and the command line each put them in their own words.
#pragma once

#include "HostFirewall.h"
#include "NetworkCards.h"

#include <string>
#include <vector>

namespace core {

struct NoReplyFacts {
    std::vector<NetworkCard> asked;          // the cards the broadcast went out on
    std::vector<std::string> withoutAddress; // up, able to broadcast, no IPv4 address: names
    HostFirewall firewall;

    // No card at all is up to carry a broadcast.
    bool NoCardUp() const { return asked.empty() && withoutAddress.empty(); }
    // A firewall is known to be active and not known to admit the local ports: it may be
    // what dropped the replies.
    bool FirewallMayDropReplies() const { return firewall.KnownActive() && !firewall.portsOpen; }
};

// The facts from what was found. A card listed among the asked ones is not also listed as
// one without an address (the two listings are read one after the other and a card may have
// got its address in between).
NoReplyFacts DiagnoseNoReply(std::vector<NetworkCard> asked,
                             std::vector<std::string> withoutAddress, HostFirewall firewall);

// The facts of this machine now (BroadcastCards, CardsWithoutAddress, DetectHostFirewall).
NoReplyFacts DiagnoseNoReply();

// An address a card without one can be given by hand, with its prefix, as the diagnosis
// suggests it: the controllers' factory subnet.
inline constexpr const char* kSuggestedAddress = "192.168.1.2";
inline constexpr unsigned kSuggestedPrefix = 24;

} // namespace core
