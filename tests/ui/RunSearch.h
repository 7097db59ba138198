// Runs one search of the window to its end, as a search command starts it, with the event
// loop turning meanwhile; and reads the device table by address.
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

// The first line of the address (a dotted quad), or nullptr.
inline const DeviceLine* LineOf(const DeviceTable& table, const std::string& address) {
    for (int i = 0; i < table.Count(); ++i)
        if (core::DottedQuad(table.Line(i).address) == address)
            return &table.Line(i);
    return nullptr;
}

// The record of the first line of the address as hexadecimal digits; empty without one.
inline std::string RecordOf(const DeviceTable& table, const std::string& address) {
    const DeviceLine* line = LineOf(table, address);
    if (line == nullptr)
        return {};
    const auto bytes = line->record.Bytes();
    return core::HexText(bytes.data(), bytes.size());
}
