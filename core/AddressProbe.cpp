// What a probe does alike on every system: which addresses may be asked for at all; the
// asking itself is in AddressProbe_linux.cpp and AddressProbe_win.cpp.
#include "AddressProbe.h"

#include "AddressProbeSystem.h"
#include "Subnet.h"

namespace core {

static_assert(kProbePort != kControllerPort, "a probe never reaches a controller's port");

std::vector<ProbeAnswer> ProbeAddresses(const std::vector<ProbeRequest>& requests,
                                        std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    // Only a neighbour on the card's own subnet answers ARP there.
    std::vector<ProbeRequest> asked;
    std::vector<size_t> askedIndex;
    for (size_t i = 0; i < requests.size(); ++i) {
        const ProbeRequest& r = requests[i];
        if (r.card.index != 0 && r.address != r.card.address &&
            InSubnet(r.address, r.card.address, r.card.prefix)) {
            asked.push_back(r);
            askedIndex.push_back(i);
        }
    }
    std::vector<ProbeAnswer> answers(requests.size());
    if (asked.empty())
        return answers;
    const std::vector<ProbeAnswer> heard = probe::AskLan(asked, until);
    for (size_t k = 0; k < askedIndex.size() && k < heard.size(); ++k)
        answers[askedIndex[k]] = heard[k];
    return answers;
}

ProbeAnswer ProbeAddress(const ProbeRequest& request, std::chrono::milliseconds time) {
    return ProbeAddresses({request}, time).front();
}

} // namespace core
