// The question the write command asks when the prepared write has conflicts, i.e. it would
// break the site: the new address is that of another controller found or of this computer,
// it leaves the subnet of the card that heard the controller, or the gateway lies outside
// the new subnet.
#pragma once

#include "ControllerRecord.h"
#include "Controllers.h"
#include "WriteConflicts.h"

#include <QString>
#include <QStringList>
#include <vector>

// Each case found, a line each with what follows from it, in Russian.
QStringList ConflictCases(const core::WriteConflicts& conflicts, const core::Controller& target,
                          const core::ControllerRecord& wanted);

// Why a write to mac must not go out: the last search heard that MAC from these addresses
// and the frame would go to broadcast.
QString SharedMacRefusal(const core::Mac& mac, const std::vector<core::Ip4>& addresses);

// The question in Russian: each case found, a line each with what follows from it, then
// whether to write all the same. Empty when there is no case.
QString ConflictQuestion(const core::WriteConflicts& conflicts, const core::Controller& target,
                         const core::ControllerRecord& wanted);

// Asks the conflict question in the program's message box (confirmation, Yes and No, No the
// default). True when there is nothing to ask or Yes was chosen.
bool AskAboutConflicts(const core::WriteConflicts& conflicts, const core::Controller& target,
                       const core::ControllerRecord& wanted);
