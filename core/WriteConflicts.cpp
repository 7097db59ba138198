#include "WriteConflicts.h"

#include "Subnet.h"

#include <algorithm>

namespace core {

WriteConflicts FindConflicts(const Controllers& heard, const Controller& target,
                             const ControllerRecord& wanted, const WriteSite& site) {
    WriteConflicts conflicts;
    conflicts.gatewayOutside = !SameSubnet(wanted.gateway, wanted.ip, wanted.mask);
    if (wanted.ip == target.address)
        return conflicts;
    for (const Controller& c : heard)
        if (c.id != target.id && c.address == wanted.ip)
            conflicts.addressTakenBy.push_back(c.record.mac);
    if (site.card && InSubnet(target.address, site.card->address, site.card->prefix) &&
        !InSubnet(wanted.ip, site.card->address, site.card->prefix))
        conflicts.leavesSubnetOf = site.card;
    conflicts.ownAddress = std::find(site.ownAddresses.begin(), site.ownAddresses.end(),
                                     wanted.ip) != site.ownAddresses.end();
    return conflicts;
}

WriteSite SystemSite(const Controller& target) {
    return {CardByIndex(target.card), OwnAddresses()};
}

} // namespace core
