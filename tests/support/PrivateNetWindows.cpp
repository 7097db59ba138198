// Private network for test programs built for Windows. A Windows program cannot create a
// network namespace; the run is started inside one (scripts/windows.sh runs ctest under
// Wine in a namespace of its own). Enter() only checks that this is so: the process sees
// no network card but loopback ones and the run's own, so nothing a test sends can leave
// the machine.
#include "PrivateNet.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h first: iphlpapi.h needs its types.
#include <iphlpapi.h>

#include <cwchar>
#include <vector>

namespace privatenet {
namespace {

bool g_active = false;
std::string g_failure;

// Cards named so are the run's own: scripts/windows.sh creates them inside the namespace.
constexpr wchar_t kRunCardPrefix[] = L"qwin";

bool RunCard(const IP_ADAPTER_ADDRESSES& a) {
    const size_t length = sizeof kRunCardPrefix / sizeof kRunCardPrefix[0] - 1;
    return a.FriendlyName != nullptr && std::wcsncmp(a.FriendlyName, kRunCardPrefix, length) == 0;
}

// Names of the cards that are up, are not loopback nor the run's own and carry an IPv4
// address; or the error of the look-up.
std::string CardsOutsideLoopback(std::vector<std::string>& names) {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result == ERROR_NO_DATA)
        return {};
    if (result != NO_ERROR)
        return "GetAdaptersAddresses failed with " + std::to_string(result);
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || a->OperStatus != IfOperStatusUp ||
            a->FirstUnicastAddress == nullptr || RunCard(*a))
            continue;
        std::string name;
        for (const wchar_t* c = a->FriendlyName; c != nullptr && *c != 0; ++c)
            name += *c < 128 ? static_cast<char>(*c) : '?';
        names.push_back(name.empty() ? "?" : name);
    }
    return {};
}

// True when a UDP socket can be bound to the address (it is one of this machine's).
bool Bindable(const std::string& address) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    bool bound = false;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s != INVALID_SOCKET) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        bound = inet_pton(AF_INET, address.c_str(), &a.sin_addr) == 1 &&
                ::bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
        closesocket(s);
    }
    WSACleanup();
    return bound;
}

} // namespace

std::string Enter() {
    if (g_active)
        return {};
    std::vector<std::string> cards;
    std::string error = CardsOutsideLoopback(cards);
    if (error.empty() && !cards.empty()) {
        error = "not inside a private network: the card " + cards.front() +
                " is up (start the run in a network namespace, as scripts/windows.sh does)";
    }
    g_active = error.empty();
    g_failure = error;
    return error;
}

bool Active() {
    return g_active;
}

const std::string& Failure() {
    return g_failure;
}

// Addresses cannot be added from here; the script that starts the run adds the ones the
// tests use to lo beforehand. This checks that it did.
std::string AddAddress(const std::string& cidr) {
    if (!g_active)
        return "not inside a private network namespace";
    const std::string address = cidr.substr(0, cidr.find('/'));
    if (Bindable(address))
        return {};
    return address + " is not on the private network's loopback: add it (ip addr add " + cidr +
           " dev lo) before the run";
}

} // namespace privatenet
