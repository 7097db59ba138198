#include "WriteConflicts.h"

#include <algorithm>
#include <cstdint>

namespace core {

namespace {

uint32_t Value(const Ip4& a) {
    return uint32_t{a[0]} << 24 | uint32_t{a[1]} << 16 | uint32_t{a[2]} << 8 | uint32_t{a[3]};
}

bool SameSubnet(const Ip4& a, const Ip4& b, uint32_t mask) {
    return (Value(a) & mask) == (Value(b) & mask);
}

} // namespace

bool InSubnet(const Ip4& address, const Ip4& network, unsigned prefix) {
    const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - std::min(prefix, 32u));
    return SameSubnet(address, network, mask);
}

WriteConflicts FindConflicts(const Controllers& heard, const Controller& target,
                             const ControllerRecord& wanted, const WriteSite& site) {
    WriteConflicts conflicts;
    conflicts.gatewayOutside = !SameSubnet(wanted.gateway, wanted.ip, Value(wanted.mask));
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
