#include "DeviceTable.h"

int DeviceTable::Find(const std::string& name) const {
    const auto it = index_.find(name);
    return it == index_.end() ? -1 : static_cast<int>(it->second);
}

void DeviceTable::Store(const std::string& name, const std::string& value, unsigned card) {
    const auto [it, added] = index_.try_emplace(name, lines_.size());
    if (added) {
        lines_.push_back({name, value, card});
    } else {
        lines_[it->second].value = value;
        lines_[it->second].card = card;
    }
}

std::string DeviceTable::Value(const std::string& name) const {
    const int i = Find(name);
    return i < 0 ? std::string() : lines_[static_cast<size_t>(i)].value;
}

unsigned DeviceTable::Card(const std::string& name) const {
    const int i = Find(name);
    return i < 0 ? 0 : lines_[static_cast<size_t>(i)].card;
}

void DeviceTable::Remove(const std::string& name) {
    const int i = Find(name);
    if (i < 0)
        return;
    lines_.erase(lines_.begin() + i);
    index_.erase(name);
    for (size_t k = static_cast<size_t>(i); k < lines_.size(); ++k)
        index_[lines_[k].name] = k;
}

void DeviceTable::Clear() {
    lines_.clear();
    index_.clear();
}

std::string DeviceTable::Line(int index) const {
    const auto& line = lines_.at(static_cast<size_t>(index));
    return line.name + "=" + line.value;
}

std::vector<core::HeardMac> DeviceTable::HeardMacs() const {
    std::vector<core::HeardMac> heard;
    for (const Entry& line : lines_)
        if (const auto record = core::ControllerRecord::FromText(line.value))
            heard.push_back({line.name, record->mac});
    return heard;
}
