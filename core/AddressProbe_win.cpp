// The probe on Windows: SendARP from the card's address. SendARP waits for the system's ARP
// question to end, which takes seconds when nothing answers, so a few threads ask at once,
// each address in turn, and only the answers that are in by the end of the time count; an
// address no thread came to by then is not probed.
#include "AddressProbeSystem.h"
#include "SocketApi.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <iphlpapi.h>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

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

// How many SendARP calls run at once, each on a thread of its own.
constexpr size_t kWorkers = 12;

// What one AskLan shares with the threads that ask for it (under the workers' lock).
struct Asked {
    std::vector<ProbeRequest> requests;
    std::vector<std::optional<ProbeAnswer>> answers;
    std::vector<bool> started;
    size_t left = 0;
    bool abandoned = false; // its caller stopped waiting: nothing more is started for it
    std::condition_variable done;
};

// The threads that call SendARP, started as work comes and kept for the next probe. A
// question whose caller has stopped waiting runs to its end; the program's end waits for it.
class ArpWorkers {
public:
    ~ArpWorkers() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            ending_ = true;
        }
        work_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    std::vector<ProbeAnswer> Ask(const std::vector<ProbeRequest>& requests,
                                 std::chrono::steady_clock::time_point until) {
        auto asked = std::make_shared<Asked>();
        asked->requests = requests;
        asked->answers.resize(requests.size());
        asked->started.resize(requests.size());
        asked->left = requests.size();
        std::unique_lock<std::mutex> hold(lock_);
        for (size_t i = 0; i < requests.size(); ++i)
            queue_.emplace_back(asked, i);
        try {
            for (; threads_.size() < kWorkers && idle_ < queue_.size(); ++idle_)
                threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // no more threads: those that run take the questions in turn
        }
        work_.notify_all();
        if (!threads_.empty())
            asked->done.wait_until(hold, until, [&] { return asked->left == 0; });
        asked->abandoned = true;
        std::vector<ProbeAnswer> answers;
        for (size_t i = 0; i < requests.size(); ++i)
            answers.push_back(asked->answers[i].value_or(ProbeAnswer{
                asked->started[i] ? ProbeOutcome::kNoAnswer : ProbeOutcome::kNotProbed, {}}));
        return answers;
    }

private:
    void Work() {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            work_.wait(hold, [this] { return ending_ || !queue_.empty(); });
            if (ending_)
                return;
            const auto [asked, i] = queue_.front();
            queue_.pop_front();
            if (asked->abandoned)
                continue;
            asked->started[i] = true;
            --idle_;
            hold.unlock();
            const ProbeAnswer answer = SendArp(asked->requests[i]);
            hold.lock();
            ++idle_;
            asked->answers[i] = answer;
            --asked->left;
            asked->done.notify_all();
        }
    }

    std::mutex lock_;
    std::condition_variable work_;
    std::deque<std::pair<std::shared_ptr<Asked>, size_t>> queue_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0; // threads waiting for a question
    bool ending_ = false;
};

} // namespace

std::vector<ProbeAnswer> AskLan(const std::vector<ProbeRequest>& requests,
                                std::chrono::steady_clock::time_point until) {
    static ArpWorkers workers;
    return workers.Ask(requests, until);
}

} // namespace core::probe
