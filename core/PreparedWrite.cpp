#include "PreparedWrite.h"

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
    write.conflicts = FindConflicts(heard, target, write.wanted, site ? *site : SystemSite(target));
    return write;
}

FrameSent SendWrite(const PreparedWrite& write, uint16_t base) {
    return SendFrame(write.frame, write.destination, base);
}

} // namespace core
