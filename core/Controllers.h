// What one search found: every controller that answered, once. A controller is a sender
// address and a MAC (a new box of controllers answers from its factory address, each with a
// MAC of its own); a controller heard again, on another card or by another request, keeps
// its place and takes the record of its latest reply. Each controller has a number of its
// own, never given to another, by which a front end names it (a tree node, a selection).
//
// The front ends only render this: filing a reply says what changed, a controller added or
// its record updated.
#pragma once

#include "ControllerRecord.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace core {

// A valid discovery reply, as a search hands it out.
struct Heard {
    Ip4 sender{};         // the reply's sender address: the controller's
    unsigned card = 0;    // interface index it arrived on (0: unknown)
    std::string cardName; // that card's name (empty: unknown)
    ControllerRecord record;
};

// A controller as a search files it: the address it answered from and its MAC.
struct ControllerKey {
    Ip4 address{};
    Mac mac{};
    auto operator<=>(const ControllerKey&) const = default;
};

struct Controller {
    int id = 0;
    Ip4 address{};
    ControllerRecord record; // of the latest reply
    unsigned card = 0;       // the latest reply's card (0: unknown)
    std::string cardName;

    ControllerKey Key() const { return {address, record.mac}; }
};

class Controllers {
public:
    enum class Change { kAdded, kUpdated };
    struct Filed {
        Change change;
        int id;
    };

    // Files a reply: a controller not heard before is appended; a known one takes the
    // record and card of this reply in place.
    Filed File(const Heard& heard);

    // The controller with that number, or nullptr when there is none (any more).
    const Controller* Find(int id) const;
    // Every address that answered with mac, in the order first heard.
    std::vector<Ip4> AddressesOf(const Mac& mac) const;
    // The first controller heard with mac, or nullptr.
    const Controller* FirstWithMac(const Mac& mac) const;

    // Removes the controller with that number, if there is one.
    void Remove(int id);
    void Clear();

    // In the order first heard.
    size_t Count() const { return list_.size(); }
    const Controller& operator[](size_t index) const { return list_.at(index); }
    std::vector<Controller>::const_iterator begin() const { return list_.begin(); }
    std::vector<Controller>::const_iterator end() const { return list_.end(); }

private:
    void Reindex();

    std::vector<Controller> list_;
    std::map<ControllerKey, size_t> byKey_; // index into list_
    std::map<int, size_t> byId_;            // index into list_
    int lastId_ = 0;
};

} // namespace core
