// A configuration write made ready once, for the window and the command line alike: the
// values checked, the guard that one controller's values never reach another asked, and,
// when the write may go out, everything its send and its check need, with what it would
// break on the site. The front ends only phrase a refusal or a conflict, send and show.
#pragma once

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
    // What the write would break (FindConflicts): a front end asks, or refuses unless told
    // to go on, before it sends.
    WriteConflicts conflicts;
};

// The write of values (texts; values.port empty: the controller's port is not checked) to
// target, one of the controllers heard, after a broadcast search (broadcastMode) or a
// search by address. Refused when a value fails its check or when the frame would go to
// the broadcast address and the MAC answered from more than one address. The conflicts are
// asked against site, or against the system's (SystemSite) when none is given.
std::variant<WriteRefusal, PreparedWrite>
PrepareWrite(const Controllers& heard, const Controller& target, const WriteValues& values,
             bool broadcastMode, const std::optional<WriteSite>& site = {});

// The one send of a write: the frame, once, to port 5001 of its destination, from the first
// free local port from base on (SendFrame).
FrameSent SendWrite(const PreparedWrite& write, uint16_t base = kLocalPortBase);

} // namespace core
