#include "SiteChanges.h"

#include <algorithm>
#include <optional>

namespace core {

bool ListedFieldsDiffer(const ControllerRecord& a, const ControllerRecord& b) {
    return a.ip != b.ip || a.mask != b.mask || a.gateway != b.gateway || a.port != b.port ||
           a.hardware != b.hardware || a.softwareMajor != b.softwareMajor ||
           a.softwareMinor != b.softwareMinor;
}

SiteChanges CompareSearches(const Controllers& before, const Controllers& now,
                            const std::vector<ControllerKey>& written) {
    SiteChanges changes;
    // The controllers of the earlier search that a controller of the later one accounts for:
    // heard again at the same address, or moved from it.
    std::vector<bool> accounted(before.Count(), false);
    const auto indexIn = [&before](const ControllerKey& key) -> std::optional<size_t> {
        for (size_t i = 0; i < before.Count(); ++i)
            if (before[i].address == key.address && before[i].record.mac == key.mac)
                return i;
        return std::nullopt;
    };
    for (const Controller& c : now)
        if (const auto i = indexIn({c.address, c.record.mac}))
            accounted[*i] = true;

    for (const Controller& c : now) {
        ControllerChange change;
        change.id = c.id;
        for (const Controller& other : now)
            if (other.id != c.id && other.address == c.address)
                change.sameAddress.push_back(other.record.mac);
        if (const auto i = indexIn({c.address, c.record.mac})) {
            change.change = ListedFieldsDiffer(before[*i].record, c.record)
                                ? SiteChange::kRecordChanged
                                : SiteChange::kUnchanged;
        } else {
            change.change = SiteChange::kNew;
            for (size_t i = 0; i < before.Count(); ++i) {
                const Controller& old = before[i];
                if (old.record.mac != c.record.mac || accounted[i])
                    continue;
                accounted[i] = true;
                change.change = SiteChange::kMoved;
                change.movedFrom = old.address;
                break;
            }
        }
        changes.now.push_back(std::move(change));
    }

    for (size_t i = 0; i < before.Count(); ++i) {
        const ControllerKey key{before[i].address, before[i].record.mac};
        if (!accounted[i] && std::find(written.begin(), written.end(), key) == written.end())
            changes.gone.push_back(before[i]);
    }
    return changes;
}

} // namespace core
