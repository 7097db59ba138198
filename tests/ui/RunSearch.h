// Runs one search of the window to its end, as a search command starts it, with the event
// loop turning meanwhile; and reads what it found by address.
#pragma once

#include "UDPDriverQuorrelConf.h"

#include <QCoreApplication>
#include <QTimer>
#include <functional>
#include <string>

// meanwhile: called every millisecond while the search listens, in place of a command the
// user runs meanwhile. false when no local port could be opened.
inline bool SearchControllers(DriverContext& context, uint16_t base, const std::string& destination,
                              const std::function<void()>& meanwhile = {}) {
    SearchRun run(context, base);
    bool finished = false;
    QObject::connect(&run, &SearchRun::Finished, [&finished] { finished = true; });
    if (!run.Start(*core::ParseDottedQuad(destination)))
        return false;
    QTimer turn;
    if (meanwhile) {
        QObject::connect(&turn, &QTimer::timeout, meanwhile);
        turn.start(1);
    }
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
}

inline const std::string kBroadcastAddress = "255.255.255.255";

// The first controller heard at the address (a dotted quad), or nullptr.
inline const core::Controller* LineOf(const core::Controllers& table, const std::string& address) {
    for (const core::Controller& c : table)
        if (core::DottedQuad(c.address) == address)
            return &c;
    return nullptr;
}

// The record of the first controller at the address as hexadecimal digits; empty without one.
inline std::string RecordOf(const core::Controllers& table, const std::string& address) {
    const core::Controller* line = LineOf(table, address);
    if (line == nullptr)
        return {};
    const auto bytes = line->record.Bytes();
    return core::HexText(bytes.data(), bytes.size());
}
