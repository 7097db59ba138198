// A sequence of device table operations against a plain list of lines and their cards.
#include "DeviceTable.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

struct Line {
    std::string name;
    std::string value;
    unsigned card = 0;
};
using Lines = std::vector<Line>;

int Position(const Lines& lines, const std::string& name) {
    const auto it = std::find_if(lines.begin(), lines.end(),
                                 [&](const Line& line) { return line.name == name; });
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    DeviceTable table;
    Lines model;
    while (input.remaining_bytes() > 0) {
        // Few distinct short names, so names repeat and lines get replaced and removed.
        const std::string name = input.ConsumeRandomLengthString(4);
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const std::string value = input.ConsumeRandomLengthString(8);
            const unsigned card = input.ConsumeIntegralInRange(0u, 3u);
            table.Store(name, value, card);
            const int at = Position(model, name);
            if (at < 0)
                model.push_back({name, value, card});
            else
                model[static_cast<size_t>(at)] = {name, value, card};
            break;
        }
        case 1: {
            table.Remove(name);
            const int at = Position(model, name);
            if (at >= 0)
                model.erase(model.begin() + at);
            break;
        }
        case 2:
            if (input.ConsumeBool()) {
                table.Clear();
                model.clear();
            }
            break;
        default:
            break;
        }
        FUZZ_CHECK(table.Count() == static_cast<int>(model.size()));
        FUZZ_CHECK(table.Find(name) == Position(model, name));
        const int at = Position(model, name);
        FUZZ_CHECK(table.Value(name) == (at < 0 ? "" : model[static_cast<size_t>(at)].value));
        FUZZ_CHECK(table.Card(name) == (at < 0 ? 0u : model[static_cast<size_t>(at)].card));
    }
    for (size_t i = 0; i < model.size(); ++i) {
        FUZZ_CHECK(table.Name(static_cast<int>(i)) == model[i].name);
        FUZZ_CHECK(table.Line(static_cast<int>(i)) == model[i].name + "=" + model[i].value);
        FUZZ_CHECK(table.Find(model[i].name) == static_cast<int>(i));
        FUZZ_CHECK(table.Card(model[i].name) == model[i].card);
    }
    return 0;
}
