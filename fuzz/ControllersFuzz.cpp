// A sequence of filings, removals and clearings of what a search found, against a plain
// list of controllers.
#include "Controllers.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    core::Controllers table;
    struct Line {
        int id;
        core::Ip4 address;
        core::ControllerRecord record;
        unsigned card;
    };
    std::vector<Line> model;
    std::vector<int> ids; // every number handed out
    while (input.remaining_bytes() > 0) {
        // Few distinct addresses and MACs, so controllers repeat and lines get replaced.
        core::Ip4 address{10, 0, 0, input.ConsumeIntegralInRange<uint8_t>(1, 3)};
        core::ControllerRecord record;
        record.mac[5] = input.ConsumeIntegralInRange<uint8_t>(1, 3);
        record.hardware = input.ConsumeIntegral<uint8_t>();
        const unsigned card = input.ConsumeIntegralInRange(0u, 3u);
        const auto at = std::find_if(model.begin(), model.end(), [&](const Line& l) {
            return l.address == address && l.record.mac == record.mac;
        });
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: {
            core::Heard heard;
            heard.sender = address;
            heard.record = record;
            heard.card = card;
            const core::Controllers::Filed filed = table.File(heard);
            const int id = filed.id;
            FUZZ_CHECK((filed.change == core::Controllers::Change::kAdded) == (at == model.end()));
            if (at == model.end()) {
                FUZZ_CHECK(std::find(ids.begin(), ids.end(), id) == ids.end());
                ids.push_back(id);
                model.push_back({id, address, record, card});
            } else {
                FUZZ_CHECK(id == at->id);
                *at = {id, address, record, card};
            }
            break;
        }
        case 1:
            if (at != model.end()) {
                table.Remove(at->id);
                model.erase(at);
            }
            break;
        default:
            table.Clear();
            model.clear();
            break;
        }
        FUZZ_CHECK(table.Count() == model.size());
    }
    for (size_t i = 0; i < model.size(); ++i) {
        const core::Controller& line = table[i];
        FUZZ_CHECK(line.id == model[i].id && line.address == model[i].address);
        FUZZ_CHECK(line.record == model[i].record && line.card == model[i].card);
        FUZZ_CHECK(table.Find(line.id) == &line);
    }
    for (const int id : ids)
        FUZZ_CHECK(
            (table.Find(id) != nullptr) ==
            std::any_of(model.begin(), model.end(), [id](const Line& l) { return l.id == id; }));
    return 0;
}
