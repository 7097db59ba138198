// The questions asked before a write that would break the site: whether the new address is
// that of another controller found or of another device on the LAN, leaves the subnet of the
// card that heard the controller, or is one of this computer's own; and whether the gateway
// lies outside the new subnet. Facts only: a front end asks the user or refuses, in its own
// words.
#pragma once

#include "ControllerRecord.h"
#include "Controllers.h"
#include "NetworkCards.h"
#include "Ports.h"

#include <optional>
#include <vector>

namespace core {

// What the questions are asked against besides the controllers found.
struct WriteSite {
    // The card the controller was heard on, with its address and prefix; nothing when it is
    // not known (or has gone).
    std::optional<NetworkCard> card;
    // This computer's addresses (see OwnAddresses).
    std::vector<Ip4> ownAddresses;
};

struct WriteConflicts {
    // The MACs of the other controllers found that answered from the new IP, in the order
    // heard: afterwards two controllers share one address.
    std::vector<Mac> addressTakenBy;
    // The MAC of a device that answered ARP for the new IP on the card that heard the
    // controller and is neither the controller nor a controller found there (see
    // AddProbeAnswer): afterwards it and the controller share one address.
    std::optional<Mac> addressHeldByDevice;
    // The card that heard the controller, when its current address lies inside that card's
    // subnet and the new IP outside it: afterwards only a broadcast search finds it.
    std::optional<NetworkCard> leavesSubnetOf;
    // The new IP is an address of this computer.
    bool ownAddress = false;
    // The gateway lies outside the subnet of the new IP and mask.
    bool gatewayOutside = false;

    bool Any() const {
        return !addressTakenBy.empty() || addressHeldByDevice || leavesSubnetOf || ownAddress ||
               gatewayOutside;
    }
};

// Asks the questions for giving target (one of heard) the IP, mask and gateway of wanted.
// Writing a controller's current address back is never an address conflict.
WriteConflicts FindConflicts(const Controllers& heard, const Controller& target,
                             const ControllerRecord& wanted, const WriteSite& site);

// The site of a write to target, asked of the system: the card target was heard on
// (CardByIndex) and this computer's addresses (OwnAddresses).
WriteSite SystemSite(const Controller& target);

} // namespace core
