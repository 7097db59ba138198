// Lines name=value: a controller's address text and the record text of its latest reply,
// in the order in which controllers first replied. Names are unique.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class DeviceTable {
public:
    // Index of the line with this name, or -1.
    int Find(const std::string& name) const;
    // Appends name=value when no line has the name, else replaces that line's value.
    void Store(const std::string& name, const std::string& value);
    // The value for the name, or empty text when there is no such line.
    std::string Value(const std::string& name) const;
    // Removes the line of the name, if there is one.
    void Remove(const std::string& name);
    void Clear();

    int Count() const { return static_cast<int>(lines_.size()); }
    // The line at index as "name=value".
    std::string Line(int index) const;
    const std::string& Name(int index) const { return lines_.at(index).first; }

private:
    std::vector<std::pair<std::string, std::string>> lines_;
    std::unordered_map<std::string, size_t> index_;
};
