// What changed on the site between two searches: the controllers of the later search that
// are new, that moved (their MAC answered from another address before), whose record
// changed or that are unchanged, and the controllers of the earlier search that did not
// answer again. Facts only; the front ends phrase them.
#pragma once

#include "ControllerRecord.h"
#include "Controllers.h"
#include "Ports.h"

#include <vector>

namespace core {

enum class SiteChange {
    kNew,           // neither its address and MAC nor its MAC alone answered before
    kMoved,         // its MAC answered before from another address, which does not answer now
    kRecordChanged, // answered before from this address; a field of its record differs
    kUnchanged,
    kGone, // of the earlier search: did not answer again (SiteChanges::gone)
};

// One controller of the later search.
struct ControllerChange {
    int id = 0; // its number in the later search
    SiteChange change = SiteChange::kUnchanged;
    Ip4 movedFrom{};   // kMoved: the address its MAC answered from before
    int earlierId = 0; // kRecordChanged, kUnchanged: its number in the earlier search
    // The MACs of the other controllers of the later search that answered from its address,
    // in the order heard.
    std::vector<Mac> sameAddress;
};

struct SiteChanges {
    std::vector<ControllerChange> now; // one per controller of the later search, in its order
    // The controllers of the earlier search that did not answer again and did not move, less
    // those that were written to in between, in the earlier search's order.
    std::vector<Controller> gone;
};

// Compares two searches' results. written: the controllers of the earlier search (address
// and MAC as it heard them) that this program gave new values since; none of them is gone.
// A record is compared as it is listed, by the cells of kRecordColumns (the reserved bytes
// and the card it came by are not part of it). A MAC that answered before from several
// addresses moves from each of them at most once.
SiteChanges CompareSearches(const Controllers& before, const Controllers& now,
                            const std::vector<ControllerKey>& written = {});

} // namespace core
