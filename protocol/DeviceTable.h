// Lines name=value: a controller's address text and the record text of its latest reply,
// in the order in which controllers first replied. Names are unique. Each line also keeps
// the card (interface index) that latest reply arrived on.
#pragma once

#include "WriteRules.h"

#include <string>
#include <unordered_map>
#include <vector>

class DeviceTable {
public:
    // Index of the line with this name, or -1.
    int Find(const std::string& name) const;
    // Appends name=value when no line has the name, else replaces that line's value. card:
    // the interface index the reply arrived on (0: unknown), replacing the line's card too.
    void Store(const std::string& name, const std::string& value, unsigned card = 0);
    // The value for the name, or empty text when there is no such line.
    std::string Value(const std::string& name) const;
    // The card the name's line was last heard on; 0 when unknown or there is no such line.
    unsigned Card(const std::string& name) const;
    // Removes the line of the name, if there is one.
    void Remove(const std::string& name);
    void Clear();
    // The MAC of every line whose value is a record text, with the line's name as the
    // address, in line order.
    std::vector<core::HeardMac> HeardMacs() const;

    int Count() const { return static_cast<int>(lines_.size()); }
    // The line at index as "name=value".
    std::string Line(int index) const;
    const std::string& Name(int index) const { return lines_.at(index).name; }

private:
    struct Entry {
        std::string name;
        std::string value;
        unsigned card = 0;
    };
    std::vector<Entry> lines_;
    std::unordered_map<std::string, size_t> index_;
};
