#include "Discovery.h"

#include "NetworkCards.h"
#include "ReplyReader.h"
#include "UdpSocket.h"

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#ifndef _WIN32
#include <net/if.h>
#endif

namespace core {
namespace {

constexpr uint16_t kControllerPort = 5001;
constexpr int kLocalPortTries = 3;
constexpr size_t kReplyLength = 30;
const uint8_t kRequest[] = {'T', 'R'};

bool IsReply(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != kReplyLength)
        return false;
    unsigned sum = 0;
    for (const uint8_t b : bytes)
        sum += b;
    return (sum & 0xFF) == 0;
}

// The name of the card with that index, looked up once per search.
std::string CardName(unsigned index, std::map<unsigned, std::string>& known) {
    if (index == 0)
        return {};
    const auto found = known.find(index);
    if (found != known.end())
        return found->second;
    std::string name;
#ifdef _WIN32
    if (const auto card = CardByIndex(index))
        name = card->name;
#else
    char text[IF_NAMESIZE] = {};
    if (::if_indextoname(index, text) != nullptr)
        name = text;
#endif
    known.emplace(index, name);
    return name;
}

} // namespace

DiscoveryResult Discover(const std::string& destination, int timeoutMs, int base) {
    DiscoveryResult result;
    UdpSocket socket;
    for (int i = 0; i < kLocalPortTries && !socket.Valid(); ++i) {
        socket = UdpSocket::Open(static_cast<uint16_t>(base + i));
        result.localPort = static_cast<uint16_t>(base + i);
    }
    if (!socket.Valid()) {
        result.localPort = 0;
        return result;
    }
    result.opened = true;

    ReplyReader reader(socket);
    const auto start = std::chrono::steady_clock::now();
    socket.Send(destination, kControllerPort, kRequest, sizeof kRequest);
    if (destination == "255.255.255.255")
        for (const NetworkCard& card : CardsBesideRoute())
            socket.Send(destination, kControllerPort, kRequest, sizeof kRequest, card.index);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
    reader.EndWindow();

    std::map<unsigned, std::string> cardNames;
    Datagram d;
    while (reader.Next(d)) {
        if (!IsReply(d.bytes))
            continue;
        HeardReply& reply = result.replies.emplace_back();
        reply.sender = d.SenderText();
        reply.senderPort = d.senderPort;
        reply.card = d.card;
        reply.cardName = CardName(d.card, cardNames);
        std::memcpy(reply.bytes.data(), d.bytes.data(), kReplyLength);
    }
    return result;
}

} // namespace core
