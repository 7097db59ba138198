// A configuration write made ready once, for the window and the command line alike: the
// values checked, the guard that one controller's values never reach another asked, and,
// when the write may go out, everything its send and its check need, with what it would
// break on the site. Whether another device on the LAN holds the new address is asked
// apart (ProbeNewAddress), for it takes up to a second. The front ends only phrase a
// refusal or a conflict, send and show.
#pragma once

#include "AddressProbe.h"
#include "ConfigWrite.h"
#include "ControllerRecord.h"
#include "Controllers.h"
#include "Ports.h"
#include "WriteCheck.h"
#include "WriteConflicts.h"
#include "WriteFields.h"

#include <optional>
#include <variant>
#include <vector>

namespace core {

// Why a write may not go out.
struct WriteRefusal {
    std::vector<FieldFault> faults; // values that may not be written (see CheckWriteValues)
    std::vector<Ip4> sharedMac;     // the addresses its MAC answered from (SharedMacAddresses)
};

struct PreparedWrite {
    ControllerRecord wanted;      // the controller's record with the values written
    FrameBytes frame;             // ConfigFrame(wanted)
    WriteDestination destination; // ChooseDestination
    WriteCheckRequest check;      // CheckAfterWrite, for kWriteCheckTime
    // What the write would break (FindConflicts, then AddProbeAnswer): a front end asks,
    // or refuses unless told to go on, before it sends.
    WriteConflicts conflicts;
    // The question to the LAN whether a device holds the new IP, on the card that heard the
    // controller. Nothing when the controller keeps its address, when that card is not known
    // or when the new IP is this computer's own.
    std::optional<ProbeRequest> probe;
};

// The write of values (texts; values.port empty: the controller's port is not checked) to
// target, one of the controllers heard, after a broadcast search (broadcastMode) or a
// search by address. Refused when a value fails its check or when the frame would go to
// the broadcast address and the MAC answered from more than one address. The conflicts are
// asked against site, or against the system's (SystemSite) when none is given.
std::variant<WriteRefusal, PreparedWrite>
PrepareWrite(const Controllers& heard, const Controller& target, const WriteValues& values,
             bool broadcastMode, const std::optional<WriteSite>& site = {});

// Asks the LAN whether a device holds the write's new IP (ProbeAddress with write.probe):
// kNotProbed when there is nothing to ask. Takes up to about time and reads only write, so
// that it may run off the caller's thread on a copy.
ProbeAnswer ProbeNewAddress(const PreparedWrite& write,
                            std::chrono::milliseconds time = kProbeTime);
// ProbeNewAddress for several writes at once, all within about time, each answer filed
// among its write's conflicts (AddProbeAnswer).
void ProbeNewAddresses(const std::vector<PreparedWrite*>& writes,
                       std::chrono::milliseconds time = kProbeTime);

// Files answer among the write's conflicts: a MAC that answered for the new IP and is
// neither the controller's own nor one of the controllers found at that address
// (addressTakenBy) is another device (WriteConflicts::addressHeldByDevice).
void AddProbeAnswer(PreparedWrite& write, const ProbeAnswer& answer);

// The one send of a write: the frame, once, to port 5001 of its destination, from the first
// free local port from base on (SendFrame).
FrameSent SendWrite(const PreparedWrite& write, uint16_t base = kLocalPortBase);

} // namespace core
