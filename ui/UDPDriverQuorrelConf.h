// The window's search and configuration write, as the two search commands and the write
// command run them against the window's tree and status displays (StatusDisplays.h).
#pragma once

#include "ControllerRecord.h"
#include "Controllers.h"
#include "PreparedWrite.h"
#include "Search.h"
#include "StatusDisplays.h"
#include "ThreadNews.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

class TDeviceModel;

constexpr int kSearchParts = 150;
constexpr int kWriteParts = 5;

// Everything a search or a write reaches in the window.
struct DriverContext {
    TDeviceModel* tree = nullptr;
    IStatusMarquee* marquee = nullptr;
    IProgressIndicator* progress = nullptr;
    core::Controllers* table = nullptr; // what the searches heard
};

// One search of the window. It listens for one second while the window goes on: its own
// thread (core::Search) keeps the socket drained and wakes the window when replies wait;
// each reply is filed in the controllers as it comes, and a controller heard for the first
// time gets its node in the tree. A timer of one step of the clock moves the progress
// indicator by 2 parts, as does every reply, until the bar is full; a timer of one second
// ends the search.
class SearchRun : public QObject {
    Q_OBJECT
public:
    // Opens the first free local port of base, base + 1, base + 2.
    SearchRun(const DriverContext& context, uint16_t base, QObject* parent = nullptr);
    ~SearchRun() override;

    // Shows the search's caption, resets the progress indicator and sends the request;
    // Finished follows when the second is over. false when no local port could be opened:
    // nothing shown, nothing sent, no Finished.
    bool Start(const core::Ip4& destination);

signals:
    // The second is over: every reply that reached the machine within it is filed, the
    // caption is empty and the bar empty.
    void Finished();

private:
    // Files the replies that wait; called after the search's thread posted them.
    void FileWaiting();
    void Step();
    void End();

    DriverContext context_;
    ThreadNews<core::Heard> heard_;
    std::unique_ptr<core::Search> search_; // until the end: then its port is free again
    QTimer steps_;
    QTimer end_;
    bool ended_ = false;
};

// Sends a prepared write (core::SendWrite), flashing the write's caption and a full bar.
// true when the frame went out whole; false when no local port opened or the card has gone
// (then nothing is shown either), or the frame did not go out whole.
bool WriteConfig(DriverContext& context, uint16_t base, const core::PreparedWrite& write);
