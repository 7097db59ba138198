// IPv4 subnets: a mask from a prefix length and back, and whether addresses share a subnet.
#pragma once

#include "Ports.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace core {

// The address as one number, its first group in the high byte.
constexpr uint32_t AddressValue(const Ip4& a) {
    return uint32_t{a[0]} << 24 | uint32_t{a[1]} << 16 | uint32_t{a[2]} << 8 | uint32_t{a[3]};
}

// The mask of a prefix length: 24 gives 255.255.255.0 (more than 32 counts as 32).
constexpr Ip4 PrefixMask(unsigned prefix) {
    const uint32_t bits = prefix == 0 ? 0 : ~uint32_t{0} << (32 - std::min(prefix, 32u));
    return {static_cast<uint8_t>(bits >> 24), static_cast<uint8_t>(bits >> 16),
            static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)};
}

// The prefix length of a mask: its bits that are set (255.255.255.0 gives 24).
constexpr unsigned MaskPrefix(const Ip4& mask) {
    return static_cast<unsigned>(std::popcount(AddressValue(mask)));
}

// Whether a and b lie in one subnet of mask.
constexpr bool SameSubnet(const Ip4& a, const Ip4& b, const Ip4& mask) {
    return ((AddressValue(a) ^ AddressValue(b)) & AddressValue(mask)) == 0;
}

// Whether address lies in the subnet of network/prefix.
constexpr bool InSubnet(const Ip4& address, const Ip4& network, unsigned prefix) {
    return SameSubnet(address, network, PrefixMask(prefix));
}

} // namespace core
