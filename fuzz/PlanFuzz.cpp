// Any text as a commissioning plan. The good rows must be writable and unique, and a plan
// written back from them must read back to the same rows without errors.
#include "FuzzSupport.h"
#include "Plan.h"
#include "WriteFields.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const core::Plan plan = core::ParsePlan(text);

    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    FUZZ_CHECK(!plan.rows.empty() || !plan.errors.empty());
    for (size_t i = 0; i < plan.errors.size(); ++i) {
        FUZZ_CHECK(plan.errors[i].line >= 0 && plan.errors[i].line <= lines);
        if (i > 0)
            FUZZ_CHECK(plan.errors[i - 1].line <= plan.errors[i].line);
    }

    std::set<core::Mac> macs;
    std::set<core::Ip4> ips;
    std::string written = "mac,ip,mask,gateway\n";
    for (size_t i = 0; i < plan.rows.size(); ++i) {
        const core::PlanRow& row = plan.rows[i];
        FUZZ_CHECK(row.line >= 1 && row.line <= lines);
        if (i > 0)
            FUZZ_CHECK(plan.rows[i - 1].line < row.line);
        FUZZ_CHECK(core::CheckWriteValues({row.ip, row.mask, row.gateway, ""}).empty());
        const auto ip = core::ParseDottedQuad(row.ip);
        FUZZ_CHECK(ip.has_value());
        FUZZ_CHECK(macs.insert(row.mac).second);
        FUZZ_CHECK(ips.insert(*ip).second);
        written +=
            core::MacText(row.mac) + "," + row.ip + "," + row.mask + "," + row.gateway + "\n";
    }

    if (!plan.rows.empty()) {
        const core::Plan again = core::ParsePlan(written);
        FUZZ_CHECK(again.errors.empty());
        FUZZ_CHECK(again.rows.size() == plan.rows.size());
        for (size_t i = 0; i < again.rows.size() && i < plan.rows.size(); ++i) {
            const core::PlanRow& a = again.rows[i];
            const core::PlanRow& b = plan.rows[i];
            FUZZ_CHECK(a.mac == b.mac && a.ip == b.ip && a.mask == b.mask &&
                       a.gateway == b.gateway);
        }
    }
    return 0;
}
