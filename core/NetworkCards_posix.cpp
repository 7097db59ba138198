// The card listing on Linux, from getifaddrs.
#include "NetworkCardsSystem.h"
#include "Subnet.h"
#include "UdpSocket.h"

#include <algorithm>
#include <ifaddrs.h>
#include <net/if.h>
#include <set>

namespace core::cards {

// Cards with an IPv4 address, from getifaddrs: one entry per card, with its first address.
std::vector<CardState> CardsWithAddress() {
    std::vector<CardState> cards;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return cards;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_name == nullptr)
            continue;
        const std::string name = a->ifa_name;
        // An alias label such as "eth0:1" is one more address of eth0.
        const std::string device = name.substr(0, name.find(':'));
        const Ip4 address =
            UdpSocket::AddressOf(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr);
        const auto known = std::find_if(cards.begin(), cards.end(),
                                        [&](const CardState& s) { return s.card.name == device; });
        if (known != cards.end()) {
            known->addresses.push_back(address);
            continue;
        }
        const unsigned index = ::if_nametoindex(device.c_str());
        if (index == 0)
            continue; // gone meanwhile
        CardState s;
        s.card.index = index;
        s.card.name = device;
        s.card.address = address;
        if (a->ifa_netmask != nullptr)
            s.card.prefix = MaskPrefix(UdpSocket::AddressOf(
                reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr));
        s.addresses.push_back(address);
        s.running = (a->ifa_flags & IFF_UP) != 0 && (a->ifa_flags & IFF_RUNNING) != 0;
        s.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        s.broadcast = (a->ifa_flags & IFF_BROADCAST) != 0 && (a->ifa_flags & IFF_POINTOPOINT) == 0;
        s.arp = (a->ifa_flags & IFF_UP) != 0 &&
                (a->ifa_flags & (IFF_LOOPBACK | IFF_NOARP | IFF_POINTOPOINT)) == 0;
        cards.push_back(std::move(s));
    }
    ::freeifaddrs(list);
    return cards;
}

} // namespace core::cards

namespace core {

// getifaddrs gives each card once as a link entry (AF_PACKET), with the card's flags, and
// once for each of its IPv4 addresses (AF_INET, under the card's name or an alias label).
std::vector<std::string> CardsWithoutAddress() {
    std::vector<std::string> cards;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return cards;
    std::set<std::string> withAddress;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next)
        if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET && a->ifa_name != nullptr) {
            const std::string name = a->ifa_name;
            withAddress.insert(name.substr(0, name.find(':')));
        }
    const unsigned wanted = IFF_UP | IFF_RUNNING | IFF_BROADCAST;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next)
        if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_PACKET &&
            a->ifa_name != nullptr && (a->ifa_flags & wanted) == wanted &&
            (a->ifa_flags & IFF_LOOPBACK) == 0 && (a->ifa_flags & IFF_POINTOPOINT) == 0 &&
            withAddress.count(a->ifa_name) == 0)
            cards.emplace_back(a->ifa_name);
    ::freeifaddrs(list);
    return cards;
}

std::string AddressCommand(const std::string& card, const std::string& address, unsigned prefix) {
    return "sudo ip address add " + address + "/" + std::to_string(prefix) + " dev " + card;
}

std::string CardName(unsigned index) {
    if (index == 0)
        return {};
    char text[IF_NAMESIZE] = {};
    return ::if_indextoname(index, text) != nullptr ? text : "";
}

} // namespace core
