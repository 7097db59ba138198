// The controllers the last search heard: one line per controller, a controller being an
// address and a MAC (several controllers may answer from one address, a new box of them
// from their factory address). A line holds the decoded record of the controller's latest
// reply and the card that reply arrived on; lines stay in the order in which their
// controllers first replied. Each line has a number of its own, never given to another
// line, by which the tree's nodes name the controller that made them.
#pragma once

#include "ControllerRecord.h"
#include "WriteRules.h"

#include <map>
#include <utility>
#include <vector>

struct DeviceLine {
    int id = 0;
    core::Ip4 address{};
    core::ControllerRecord record;
    unsigned card = 0; // interface index of the latest reply (0: unknown)
};

class DeviceTable {
public:
    // Files a reply of the controller at address with the MAC of record: appends its line,
    // or replaces the record and card of the line it has. Gives the line's number.
    int Store(const core::Ip4& address, const core::ControllerRecord& record, unsigned card = 0);
    // The line with that number, or nullptr when there is none (any more).
    const DeviceLine* Find(int id) const;
    // Removes the line with that number, if there is one.
    void Remove(int id);
    void Clear();
    // The MAC of every line, with its address, in line order.
    std::vector<core::HeardMac> HeardMacs() const;

    int Count() const { return static_cast<int>(lines_.size()); }
    const DeviceLine& Line(int index) const { return lines_.at(static_cast<size_t>(index)); }

private:
    using Key = std::pair<core::Ip4, core::Mac>;
    std::vector<DeviceLine> lines_;
    std::map<Key, size_t> byController_; // index into lines_
    std::map<int, size_t> byId_;         // index into lines_
    int lastId_ = 0;
};
