#include "NetworkCards.h"

#include "SocketApi.h"

#include <algorithm>
#include <bit>

#ifdef _WIN32
#include <iphlpapi.h>
#include <vector>
#else
#include <ifaddrs.h>
#include <net/if.h>
#endif

namespace core {
namespace {

std::string AddressText(in_addr a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

// What the listing needs to know of a card.
struct CardState {
    NetworkCard card;
    bool running = false; // up, with a link
    bool loopback = false;
    bool broadcast = false;
    std::vector<std::string> addresses; // all of its IPv4 addresses, the first one first
};

#ifdef _WIN32
std::string Utf8(const wchar_t* text) {
    if (text == nullptr)
        return {};
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes - 1));
    return out;
}

// Cards with an IPv4 address, from GetAdaptersAddresses.
std::vector<CardState> CardsWithAddress() {
    std::vector<CardState> cards;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = ::GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return cards;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
         a = a->Next) {
        CardState s;
        for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr;
             u = u->Next)
            if (u->Address.lpSockaddr->sa_family == AF_INET) {
                if (s.addresses.empty())
                    s.card.prefix = u->OnLinkPrefixLength;
                s.addresses.push_back(AddressText(
                    reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr));
            }
        if (s.addresses.empty())
            continue;
        s.card.index = a->IfIndex;
        s.card.name = Utf8(a->FriendlyName);
        s.card.address = s.addresses.front();
        s.running = a->OperStatus == IfOperStatusUp;
        s.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        // Dial-up links and tunnels carry no broadcasts.
        s.broadcast = a->IfType != IF_TYPE_PPP && a->IfType != IF_TYPE_TUNNEL && !s.loopback;
        cards.push_back(std::move(s));
    }
    return cards;
}
#else
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
        const std::string address =
            AddressText(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr);
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
            s.card.prefix = static_cast<unsigned>(std::popcount(
                reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr));
        s.addresses.push_back(address);
        s.running = (a->ifa_flags & IFF_UP) != 0 && (a->ifa_flags & IFF_RUNNING) != 0;
        s.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        s.broadcast = (a->ifa_flags & IFF_BROADCAST) != 0 && (a->ifa_flags & IFF_POINTOPOINT) == 0;
        cards.push_back(std::move(s));
    }
    ::freeifaddrs(list);
    return cards;
}
#endif

// The local address that the system's routing gives a datagram to 255.255.255.255, or
// empty text when it has no route for it. Nothing is sent: a connected datagram socket
// only looks the route up.
std::string RoutedBroadcastSource() {
    if (!sockapi::LibraryStartup())
        return {};
    std::string source;
    const sockapi::Handle h = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (h != sockapi::kInvalid) {
        const int32_t allBits = -1;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(5001);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        sockaddr_in local{};
        sockapi::AddrLen len = sizeof local;
        if (::setsockopt(h, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&allBits),
                         sizeof allBits) == 0 &&
            ::connect(h, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            ::getsockname(h, reinterpret_cast<sockaddr*>(&local), &len) == 0 &&
            local.sin_addr.s_addr != htonl(INADDR_ANY))
            source = AddressText(local.sin_addr);
        sockapi::CloseHandle(h);
    }
    sockapi::LibraryCleanup();
    return source;
}

bool IsBroadcastCard(const CardState& s) {
    return s.running && !s.loopback && s.broadcast;
}

} // namespace

std::vector<NetworkCard> BroadcastCards() {
    std::vector<NetworkCard> cards;
    for (auto& s : CardsWithAddress())
        if (IsBroadcastCard(s))
            cards.push_back(std::move(s.card));
    return cards;
}

std::optional<NetworkCard> CardByIndex(unsigned index) {
    if (index == 0)
        return std::nullopt;
    for (auto& s : CardsWithAddress())
        if (s.card.index == index && s.running)
            return std::move(s.card);
    return std::nullopt;
}

std::vector<NetworkCard> CardsBesideRoute() {
    std::vector<NetworkCard> cards;
    const std::vector<CardState> all = CardsWithAddress();
    if (std::none_of(all.begin(), all.end(), IsBroadcastCard))
        return cards;
    const std::string routed = RoutedBroadcastSource();
    // The routed datagram leaves by the card holding the source address it was given.
    for (const CardState& s : all)
        if (IsBroadcastCard(s) &&
            std::find(s.addresses.begin(), s.addresses.end(), routed) == s.addresses.end())
            cards.push_back(s.card);
    return cards;
}

} // namespace core
