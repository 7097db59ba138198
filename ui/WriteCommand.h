// The write command behind "Записать параметры", once the window has checked its fields:
// the prepared write (core::PrepareWrite), the refusal of a MAC that answered from several
// addresses, the LAN asked whether another device holds the new address (on a thread of its
// own, up to about a second, while the window answers), the question when the write has
// conflicts, then the selected controller's record dropped, the frame sent and, when it
// could not be, the failure shown with its pause.
#pragma once

#include "AddressProbe.h"
#include "Controllers.h"
#include "PreparedWrite.h"
#include "ThreadJob.h"
#include "UDPDriverQuorrelConf.h"

#include <QObject>
#include <optional>

class TRzMarqueeStatus;
class TRzProgressStatus;

// A configuration frame the write command sent.
struct SentFrame {
    core::Controller heard;    // the controller as the last search heard it
    core::PreparedWrite write; // what was sent to it, and how it is checked
};

// What the window asks to write.
struct WriteOrder {
    bool selected = false; // a node is selected
    int line = 0;          // the id of the selected node's controller (0: none)
    // The controller whose record fills the fields when the selected node shows it: only
    // then does a frame go out.
    std::optional<core::Controller> target;
    core::WriteValues values; // the fields' texts
    bool broadcastMode = true;
};

class TWriteCommand : public QObject {
    Q_OBJECT
public:
    // devices: the window's controllers; marquee and progress: its status displays.
    TWriteCommand(core::Controllers& devices, TRzMarqueeStatus* marquee,
                  TRzProgressStatus* progress, QObject* parent = nullptr);

    // Refuses or asks first where it must; otherwise drops the selected controller's record,
    // sends, and emits Done. While the LAN is asked for the new address, the order waits and
    // another one is not taken.
    void Run(const WriteOrder& order);
    // Writes values to target, one of the controllers heard, as an order for its node goes:
    // refused or asked first where it must, its record dropped, then sent.
    void WriteTo(const core::Controller& target, const core::WriteValues& values,
                 bool broadcastMode);
    // The LAN is being asked for the new address of an order.
    bool Probing() const { return pending_.has_value(); }
    // The window has closed: the order waiting for its probe goes no further.
    void Drop() { pending_.reset(); }

    // Pause after a failed write, in milliseconds (tests shorten it).
    void SetFailurePause(int ms) { failurePauseMs_ = ms; }

signals:
    // The frame went out whole.
    void WriteSent(const SentFrame& frame);
    // The order went past its refusal and question: the fields are done with.
    void Done();

private:
    // What is left of an order once its write is prepared (none: no frame goes out).
    void Finish(const WriteOrder& order, const std::optional<core::PreparedWrite>& write);
    void TakeProbe(const core::ProbeAnswer& answer);
    void ShowFailure();

    core::Controllers& devices_;
    TRzMarqueeStatus* marquee_;
    TRzProgressStatus* progress_;
    int failurePauseMs_ = 1000;
    struct Pending {
        WriteOrder order;
        core::PreparedWrite write;
    };
    std::optional<Pending> pending_; // waiting for its probe
    // Asks the LAN; the command's end waits for it.
    ThreadJob<core::ProbeAnswer> probe_{
        this, [this](const core::ProbeAnswer& answer) { TakeProbe(answer); }};
};
