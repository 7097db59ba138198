// The probe on Linux. A datagram to an address on a card's subnet that the system has no
// hardware address for waits while the system asks by ARP, and the question shows in the
// neighbour table: incomplete while it asks, then the hardware address that answered, or
// failed (after about three seconds). The table is read one address at a time with an
// rtnetlink get (RTM_GETNEIGH, Linux 4.20 and later), which any user may send.
#include "AddressProbeSystem.h"
#include "Netlink_linux.h"
#include "UdpSocket.h"

#include <linux/neighbour.h>

#include <algorithm>
#include <thread>

namespace core::probe {
namespace {

// How often the table is read while the system asks.
constexpr std::chrono::milliseconds kReadEvery{10};
// The datagram: one byte, which the discard port throws away.
constexpr uint8_t kNudge = 0;

// The states in which the table holds a hardware address that answered, lately or now.
constexpr unsigned kHeld = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;

} // namespace

std::vector<ProbeAnswer> AskLan(const std::vector<ProbeRequest>& requests,
                                std::chrono::steady_clock::time_point until) {
    std::vector<ProbeAnswer> answers(requests.size());
    // The kernel answers a get at once; a reply that never comes must not hold the probe.
    netlink::NeighbourTable table(std::chrono::milliseconds(200));
    if (!table.Valid())
        return answers;
    const std::vector<unsigned> arpCards = ArpCards();
    UdpSocket nudge = UdpSocket::Open(0);
    if (!nudge.Valid())
        return answers;
    std::vector<size_t> asking;
    for (size_t i = 0; i < requests.size(); ++i) {
        const ProbeRequest& r = requests[i];
        if (std::find(arpCards.begin(), arpCards.end(), r.card.index) != arpCards.end() &&
            nudge.Send(r.address, kProbePort, &kNudge, 1, r.card.index)) {
            answers[i].outcome = ProbeOutcome::kNoAnswer;
            asking.push_back(i);
        }
    }
    for (;;) {
        std::erase_if(asking, [&](size_t i) {
            using Got = netlink::NeighbourTable::Got;
            netlink::NeighbourEntry e;
            switch (table.Get(requests[i].card.index, requests[i].address, e)) {
            case Got::kNone:
                return false; // no entry yet
            case Got::kUnreadable:
                answers[i].outcome = ProbeOutcome::kNotProbed;
                return true;
            case Got::kEntry:
                break;
            }
            if ((e.state & NUD_FAILED) != 0)
                return true; // nothing answered the system's question
            if ((e.state & kHeld) == 0 || e.hardwareLength != e.hardware.size())
                return false; // the system still asks
            answers[i] = {ProbeOutcome::kAnswered, e.hardware};
            return true;
        });
        const auto now = std::chrono::steady_clock::now();
        if (asking.empty() || now >= until)
            return answers;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kReadEvery, until - now));
    }
}

} // namespace core::probe
