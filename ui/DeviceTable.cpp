#include "DeviceTable.h"

int DeviceTable::Store(const core::Ip4& address, const core::ControllerRecord& record,
                       unsigned card) {
    const auto [it, added] = byController_.try_emplace({address, record.mac}, lines_.size());
    if (!added) {
        DeviceLine& line = lines_[it->second];
        line.record = record;
        line.card = card;
        return line.id;
    }
    lines_.push_back({++lastId_, address, record, card});
    byId_[lastId_] = lines_.size() - 1;
    return lastId_;
}

const DeviceLine* DeviceTable::Find(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &lines_[it->second];
}

void DeviceTable::Remove(int id) {
    const auto it = byId_.find(id);
    if (it == byId_.end())
        return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->second));
    byController_.clear();
    byId_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
        byController_[{lines_[i].address, lines_[i].record.mac}] = i;
        byId_[lines_[i].id] = i;
    }
}

void DeviceTable::Clear() {
    lines_.clear();
    byController_.clear();
    byId_.clear();
}

std::vector<core::HeardMac> DeviceTable::HeardMacs() const {
    std::vector<core::HeardMac> heard;
    for (const DeviceLine& line : lines_)
        heard.push_back({core::DottedQuad(line.address), line.record.mac});
    return heard;
}
