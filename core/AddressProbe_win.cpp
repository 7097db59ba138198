// The probe on Windows: SendARP from the card's address. SendARP waits for the system's ARP
// question to end, which takes seconds when nothing answers, so each address is asked on a
// thread of its own and only the answers that are in by the end of the time count.
#include "AddressProbeSystem.h"
#include "SocketApi.h"

#include <condition_variable>
#include <cstring>
#include <iphlpapi.h>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace core::probe {
namespace {

ProbeAnswer SendArp(const ProbeRequest& request) {
    IPAddr to = 0;
    IPAddr from = 0;
    static_assert(sizeof to == sizeof request.address);
    std::memcpy(&to, request.address.data(), sizeof to); // written order: network order
    std::memcpy(&from, request.card.address.data(), sizeof from);
    ULONG hardware[2] = {};
    ULONG length = sizeof hardware;
    const DWORD result = ::SendARP(to, from, hardware, &length);
    ProbeAnswer answer;
    if (result == NO_ERROR && length == answer.mac.size()) {
        answer.outcome = ProbeOutcome::kAnswered;
        std::memcpy(answer.mac.data(), hardware, answer.mac.size());
    } else if (result == ERROR_BAD_NET_NAME || result == ERROR_GEN_FAILURE) {
        answer.outcome = ProbeOutcome::kNoAnswer; // no ARP reply (Vista on; 2003 and before)
    }
    // Anything else (ERROR_NOT_SUPPORTED under Wine, ERROR_NOT_FOUND for a card that has
    // gone): not probed.
    return answer;
}

// What the asking threads and the waiting caller share; a thread still asking when the
// caller stops waiting keeps it alive until SendARP returns.
struct Asked {
    std::mutex lock;
    std::condition_variable done;
    std::vector<std::optional<ProbeAnswer>> answers;
    size_t left = 0;
};

} // namespace

std::vector<ProbeAnswer> AskLan(const std::vector<ProbeRequest>& requests,
                                std::chrono::steady_clock::time_point until) {
    auto asked = std::make_shared<Asked>();
    asked->answers.resize(requests.size());
    asked->left = requests.size();
    for (size_t i = 0; i < requests.size(); ++i) {
        try {
            std::thread([asked, request = requests[i], i] {
                const ProbeAnswer answer = SendArp(request);
                const std::lock_guard<std::mutex> hold(asked->lock);
                asked->answers[i] = answer;
                --asked->left;
                asked->done.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            const std::lock_guard<std::mutex> hold(asked->lock);
            asked->answers[i] = ProbeAnswer{}; // no thread: not probed
            --asked->left;
        }
    }
    std::unique_lock<std::mutex> hold(asked->lock);
    asked->done.wait_until(hold, until, [&] { return asked->left == 0; });
    std::vector<ProbeAnswer> answers;
    for (const auto& answer : asked->answers)
        answers.push_back(answer.value_or(ProbeAnswer{ProbeOutcome::kNoAnswer, {}}));
    return answers;
}

} // namespace core::probe
