// One search run while the simulators of its controllers are watched (SimWatch), and the
// requests each simulator heard of it held against what a search promises for the requests
// from one card (core::Search):
// - the broadcast goes out first;
// - it goes out again at most once a spacing (kAskAgainEvery) until a reply to the card has
//   reached the program, and at most once after that (a request that was due by then);
// - a controller's own address is asked at most once, and only after the broadcast went out
//   again (a silent card's neighbours are asked a while after the request).
// How soon anything answers is left open: a reply reached the program no later than the
// watch read the simulator's report of sending it, so the broadcasts are counted against the
// spacings that passed from the search's start until then.
#pragma once

#include "Search.h"
#include "SimProcess.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class WatchedSearch {
public:
    // Runs search, which searches once on the calling thread, while watching sims.
    WatchedSearch(std::vector<SimProcess*> sims, const std::function<void()>& search)
        : sims_(std::move(sims)) {
        for (SimProcess* sim : sims_)
            from_.push_back(sim->Events().size());
        SimWatch watch(sims_);
        start_ = SimProcess::Clock::now();
        search();
    }

    // The request events sims[sim] reported of this search.
    std::vector<SimProcess::Event> Requests(size_t sim) {
        std::vector<SimProcess::Event> requests;
        const auto& events = sims_.at(sim)->Events();
        for (size_t i = from_.at(sim); i < events.size(); ++i)
            if (Field(events[i], "event") == "request")
                requests.push_back(events[i]);
        return requests;
    }

    // "" when the requests sims[sim] heard from the card with address card keep to the
    // promise, else what broke it. With broadcastRepliesDropped (a host firewall that lets
    // in only what answers a unicast), the replies reach the program from the first request
    // to a controller's own address on.
    std::string Asked(size_t sim, const std::string& card, bool broadcastRepliesDropped = false) {
        const auto& events = sims_.at(sim)->Events();
        const std::string prefix = card + ":";
        int broadcasts = 0;
        std::vector<std::string> own;
        std::optional<SimProcess::Clock::time_point> replied;
        for (size_t i = from_.at(sim); i < events.size(); ++i) {
            const std::string event = Field(events[i], "event");
            if (event == "request" && Field(events[i], "from").starts_with(prefix)) {
                const std::string to = Field(events[i], "to");
                if (to == "255.255.255.255") {
                    ++broadcasts;
                    continue;
                }
                if (broadcasts < 2)
                    return to + " asked after " + std::to_string(broadcasts) + " broadcast(s)";
                if (std::find(own.begin(), own.end(), to) != own.end())
                    return to + " asked twice";
                own.push_back(to);
            } else if (event == "reply" && !replied && Field(events[i], "to").starts_with(prefix) &&
                       (!broadcastRepliesDropped || !own.empty())) {
                replied = sims_[sim]->ReadAt(i);
            }
        }
        if (broadcasts == 0)
            return "no broadcast from " + card;
        if (!replied)
            return "no reply to " + card;
        const auto most = 2 + (*replied - start_) / core::Search::kAskAgainEvery;
        if (broadcasts > most)
            return std::to_string(broadcasts) + " broadcasts from " + card + ", at most " +
                   std::to_string(most) + " by the spacings until the reply";
        return "";
    }

private:
    std::vector<SimProcess*> sims_;
    std::vector<size_t> from_; // where each simulator's events of this search begin
    SimProcess::Clock::time_point start_;
};
