#include "Discovery.h"

#include "Search.h"

namespace core {

DiscoveryResult Discover(const Ip4& destination, int timeoutMs, uint16_t base, unsigned card) {
    DiscoveryResult result;
    Search search(base);
    result.localPort = search.LocalPort();
    if (!search.Opened())
        return result;
    result.opened = true;
    search.Start(destination, card);
    search.Listen(std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                  [&result](const Heard& heard) { result.controllers.File(heard); });
    result.askedAgain = search.AskedAgain();
    return result;
}

} // namespace core
