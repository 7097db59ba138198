#include "PreparedWrite.h"

#include <algorithm>

namespace core {

std::variant<WriteRefusal, PreparedWrite>
PrepareWrite(const Controllers& heard, const Controller& target, const WriteValues& values,
             bool broadcastMode, const std::optional<WriteSite>& site) {
    WriteRefusal refusal;
    refusal.sharedMac = SharedMacAddresses(heard, target.record.mac, broadcastMode);
    WriteValues checked = values;
    checked.checkAddresses = true; // a frame carries only addresses that parse
    refusal.faults = CheckWriteValues(checked);
    if (!refusal.faults.empty() || !refusal.sharedMac.empty())
        return refusal;

    PreparedWrite write;
    write.wanted = target.record;
    write.wanted.ip = *ParseDottedQuad(values.ip);
    write.wanted.mask = *ParseDottedQuad(values.mask);
    write.wanted.gateway = *ParseDottedQuad(values.gateway);
    write.frame = ConfigFrame(write.wanted);
    write.destination = ChooseDestination(broadcastMode, target.address, target.card);
    write.check = CheckAfterWrite(write.wanted, write.destination);
    const WriteSite asked = site ? *site : SystemSite(target);
    write.conflicts = FindConflicts(heard, target, write.wanted, asked);
    if (asked.card && write.wanted.ip != target.address && !write.conflicts.ownAddress)
        write.probe = ProbeRequest{*asked.card, write.wanted.ip};
    return write;
}

ProbeAnswer ProbeNewAddress(const PreparedWrite& write, std::chrono::milliseconds time) {
    return write.probe ? ProbeAddress(*write.probe, time) : ProbeAnswer{};
}

void ProbeNewAddresses(const std::vector<PreparedWrite*>& writes, std::chrono::milliseconds time) {
    std::vector<ProbeRequest> requests;
    std::vector<PreparedWrite*> asked;
    for (PreparedWrite* write : writes)
        if (write->probe) {
            requests.push_back(*write->probe);
            asked.push_back(write);
        }
    const std::vector<ProbeAnswer> answers = ProbeAddresses(requests, time);
    for (size_t i = 0; i < asked.size(); ++i)
        AddProbeAnswer(*asked[i], answers[i]);
}

void AddProbeAnswer(PreparedWrite& write, const ProbeAnswer& answer) {
    const std::vector<Mac>& controllers = write.conflicts.addressTakenBy;
    if (answer.outcome == ProbeOutcome::kAnswered && answer.mac != write.wanted.mac &&
        std::find(controllers.begin(), controllers.end(), answer.mac) == controllers.end())
        write.conflicts.addressHeldByDevice = answer.mac;
}

FrameSent SendWrite(const PreparedWrite& write, uint16_t base) {
    return SendFrame(write.frame, write.destination, base);
}

} // namespace core
