#include "Discovery.h"

#include <algorithm>
#include <thread>

namespace core {
namespace {

// How long the caller sleeps while nothing is waiting; the reader thread keeps the socket
// drained meanwhile.
constexpr std::chrono::milliseconds kIdle{1};

} // namespace

DiscoveryResult Discover(const std::string& destination, int timeoutMs, uint16_t base) {
    DiscoveryResult result;
    Search search(base);
    result.localPort = search.LocalPort();
    if (!search.Opened())
        return result;
    result.opened = true;

    search.Start(destination);
    const std::chrono::milliseconds window(timeoutMs > 0 ? timeoutMs : 0);
    HeardReply reply;
    for (;;) {
        while (search.Next(reply))
            result.replies.push_back(reply);
        const auto left = window - search.Elapsed();
        if (left <= Search::Clock::duration::zero())
            break;
        std::this_thread::sleep_for(std::min<Search::Clock::duration>(left, kIdle));
    }
    search.EndWindow();
    while (search.Next(reply))
        result.replies.push_back(reply);
    result.askedAgain = search.AskedAgain();
    return result;
}

} // namespace core
