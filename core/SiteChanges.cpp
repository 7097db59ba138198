#include "SiteChanges.h"

#include "ControllerList.h"

#include <algorithm>
#include <map>
#include <set>

namespace core {

SiteChanges CompareSearches(const Controllers& before, const Controllers& now,
                            const std::vector<ControllerKey>& written) {
    // Looked up by key: a search may hold a /16's worth of controllers.
    std::map<ControllerKey, size_t> beforeByKey;
    std::map<Mac, std::vector<size_t>> beforeByMac; // in the earlier search's order
    for (size_t i = 0; i < before.Count(); ++i) {
        beforeByKey.emplace(before[i].Key(), i);
        beforeByMac[before[i].record.mac].push_back(i);
    }
    std::map<Ip4, std::vector<size_t>> nowByAddress; // in the later search's order
    for (size_t i = 0; i < now.Count(); ++i)
        nowByAddress[now[i].address].push_back(i);

    // The controllers of the earlier search that a controller of the later one accounts for:
    // heard again at the same address, or moved from it.
    std::vector<bool> accounted(before.Count(), false);
    for (const Controller& c : now)
        if (const auto it = beforeByKey.find(c.Key()); it != beforeByKey.end())
            accounted[it->second] = true;

    SiteChanges changes;
    changes.now.reserve(now.Count());
    for (const Controller& c : now) {
        ControllerChange change;
        change.id = c.id;
        for (const size_t other : nowByAddress[c.address])
            if (now[other].id != c.id)
                change.sameAddress.push_back(now[other].record.mac);
        if (const auto it = beforeByKey.find(c.Key()); it != beforeByKey.end()) {
            change.earlierId = before[it->second].id;
            change.change = DifferingColumns(before[it->second], c).empty()
                                ? SiteChange::kUnchanged
                                : SiteChange::kRecordChanged;
        } else {
            change.change = SiteChange::kNew;
            // Moved from the first address its MAC answered from before that nothing
            // accounts for yet.
            std::vector<size_t>& earlier = beforeByMac[c.record.mac];
            const auto from = std::find_if(earlier.begin(), earlier.end(),
                                           [&accounted](size_t i) { return !accounted[i]; });
            if (from != earlier.end()) {
                accounted[*from] = true;
                change.change = SiteChange::kMoved;
                change.movedFrom = before[*from].address;
            }
            earlier.erase(earlier.begin(), from == earlier.end() ? from : from + 1);
        }
        changes.now.push_back(std::move(change));
    }

    const std::set<ControllerKey> writtenKeys(written.begin(), written.end());
    for (size_t i = 0; i < before.Count(); ++i)
        if (!accounted[i] && !writtenKeys.contains(before[i].Key()))
            changes.gone.push_back(before[i]);
    return changes;
}

} // namespace core
