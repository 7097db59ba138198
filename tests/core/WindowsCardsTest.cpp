// The Windows side of the card handling (GetAdaptersAddresses, IP_UNICAST_IF), run under
// Wine. scripts/windows.sh gives the private network of the run one card besides lo: the
// veth pair qwin0 (10.77.0.1/24) and qwin1 (no address). The Linux side is tested with
// namespaces and veth pairs that those tests create themselves.
#include "AddressProbe.h"
#include "ControllerRecord.h"
#include "NetworkCards.h"
#include "PrivateNet.h"
#include "UdpSocket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

constexpr char kCardName[] = "qwin0";
constexpr char kCardAddress[] = "10.77.0.1";

std::optional<core::NetworkCard> RunCard() {
    const auto cards = core::BroadcastCards();
    const auto found = std::find_if(cards.begin(), cards.end(),
                                    [](const core::NetworkCard& c) { return c.name == kCardName; });
    if (found == cards.end())
        return std::nullopt;
    return *found;
}

TEST(WindowsCards, BroadcastCardsListTheRunsCardAndNeverLoopback) {
    REQUIRE_PRIVATE_NETWORK();
    const auto cards = core::BroadcastCards();
    const auto card = RunCard();
    ASSERT_TRUE(card.has_value()) << "no card " << kCardName << " among " << cards.size();
    EXPECT_EQ(core::DottedQuad(card->address), kCardAddress);
    EXPECT_GT(card->index, 0u);
    for (const auto& c : cards) {
        EXPECT_NE(c.name, "lo");
        EXPECT_NE(c.address[0], 127) << c.name << " " << core::DottedQuad(c.address);
    }
}

TEST(WindowsCards, CardByIndexFindsOnlyCardsThatAreThere) {
    REQUIRE_PRIVATE_NETWORK();
    const auto card = RunCard();
    ASSERT_TRUE(card.has_value());
    const auto again = core::CardByIndex(card->index);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->name, kCardName);
    EXPECT_EQ(core::DottedQuad(again->address), kCardAddress);
    EXPECT_FALSE(core::CardByIndex(0).has_value());
    EXPECT_FALSE(core::CardByIndex(card->index + 1000).has_value());
}

struct Arrival {
    std::string source; // the sender's address, or what went wrong
    unsigned card = 0;  // the card it came in by
};

// Sends a limited broadcast on a card (0: routed) and reads it back.
Arrival BroadcastOn(unsigned card) {
    core::UdpSocket listener = core::UdpSocket::Open(6112);
    core::UdpSocket sender = core::UdpSocket::Open(6113);
    if (!listener.Valid() || !sender.Valid())
        return {"no socket"};
    const uint8_t request[] = {'T', 'R'};
    if (!sender.Send(core::kBroadcast, 6112, request, sizeof request, card))
        return {"not sent"};
    std::deque<core::Datagram> got;
    for (int round = 0; round < 50 && got.empty(); ++round)
        if (listener.WaitReadable(10))
            listener.ReceiveWaiting(got, 1);
    if (got.empty())
        return {"nothing arrived"};
    return {core::DottedQuad(got.front().sender), got.front().card};
}

// The broadcast comes from the card's own address when it is sent on the card, from the
// routed one (lo, 127.0.0.1) otherwise; and each is read with the card it came in by.
TEST(WindowsCards, ABroadcastSentOnACardLeavesAndArrivesByThatCard) {
    REQUIRE_PRIVATE_NETWORK();
    const auto card = RunCard();
    ASSERT_TRUE(card.has_value());
    const Arrival onCard = BroadcastOn(card->index);
    EXPECT_EQ(onCard.source, kCardAddress);
    EXPECT_EQ(onCard.card, card->index);
    const Arrival routed = BroadcastOn(0);
    EXPECT_EQ(routed.source, "127.0.0.1") << "a card send must not stick to the socket";
    EXPECT_NE(routed.card, 0u) << "the arriving card is reported";
    EXPECT_NE(routed.card, card->index);
}

TEST(WindowsCards, TheRoutedCardIsNotBesideTheRoute) {
    REQUIRE_PRIVATE_NETWORK();
    // The limited broadcast is routed by lo here, so the run's card is the one beside it.
    const auto beside = core::CardsBesideRoute();
    ASSERT_EQ(beside.size(), 1u);
    EXPECT_EQ(beside.front().name, kCardName);
}

// Wine's SendARP is not supported: a write's new address is not probed, the write goes on.
TEST(WindowsCards, AnAddressOnTheRunsCardIsNotProbedUnderWine) {
    REQUIRE_PRIVATE_NETWORK();
    const auto card = RunCard();
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(core::ProbeAddress({*card, {10, 77, 0, 5}}).outcome, core::ProbeOutcome::kNotProbed);
}

} // namespace
