#include "Controllers.h"

#include <algorithm>

namespace core {

Controllers::Filed Controllers::File(const Heard& heard) {
    const auto [it, added] = byKey_.try_emplace({heard.sender, heard.record.mac}, list_.size());
    if (added) {
        Controller c;
        c.id = ++lastId_;
        c.address = heard.sender;
        list_.push_back(std::move(c));
        byId_[lastId_] = list_.size() - 1;
    }
    Controller& c = list_[it->second];
    c.record = heard.record;
    c.card = heard.card;
    c.cardName = heard.cardName;
    return {added ? Change::kAdded : Change::kUpdated, c.id};
}

const Controller* Controllers::Find(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &list_[it->second];
}

std::vector<Ip4> Controllers::AddressesOf(const Mac& mac) const {
    std::vector<Ip4> addresses;
    for (const Controller& c : list_) // each address once: it is part of the key
        if (c.record.mac == mac)
            addresses.push_back(c.address);
    return addresses;
}

const Controller* Controllers::FirstWithMac(const Mac& mac) const {
    const auto it = std::find_if(list_.begin(), list_.end(),
                                 [&mac](const Controller& c) { return c.record.mac == mac; });
    return it == list_.end() ? nullptr : &*it;
}

void Controllers::Remove(int id) {
    const auto it = byId_.find(id);
    if (it == byId_.end())
        return;
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(it->second));
    Reindex();
}

void Controllers::Clear() {
    list_.clear();
    Reindex();
}

void Controllers::Reindex() {
    byKey_.clear();
    byId_.clear();
    for (size_t i = 0; i < list_.size(); ++i) {
        byKey_[list_[i].Key()] = i;
        byId_[list_[i].id] = i;
    }
}

} // namespace core
