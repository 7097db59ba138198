// What the window tells of the site beside the search's own nodes: each controller node's
// details as its tooltip and accessible description, the controllers that are new since the
// previous search of the same kind (or since a list of an earlier visit) in bold, and the
// controllers a broadcast search no longer heard named through the notifier.
#pragma once

#include "CheckTree.h"
#include "Controllers.h"
#include "Notifier.h"
#include "SiteChanges.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

// A controller node's details, a fact a line: MAC, IP, mask, gateway, port, versions and the
// card it answered on, then whether it is new, where its MAC answered from before and which
// other controllers answered from its address.
QString ControllerDetails(const core::Controller& controller, const core::ControllerChange& change,
                          bool compared);

// "Не ответили": the controllers a broadcast search no longer heard, "192.168.1.9
// (00-1A-2B-3C-4D-09)" each, joined by ", ".
TNotifier::Message GoneMessage(const std::vector<core::Controller>& gone);

class TSiteMarks : public QObject, public IControllerMarks {
    Q_OBJECT
public:
    // nodes: the tree's, whose controller nodes these marks are; devices: the window's
    // controllers, which its searches fill and its writes take from.
    TSiteMarks(TDeviceModel* nodes, const core::Controllers& devices, TNotifier* notifier);

    // A controller node's details as its tooltip and accessible description, and bold when
    // the controller is new; made when asked for.
    QVariant ControllerData(int id, int role) const override;

    // A search of the window has started; the one that ends next counts as a search of its
    // kind.
    void SearchStarted(bool broadcast);
    // That search has ended and its nodes are all in the tree: its marks change and, after a
    // broadcast search, the gone controllers are told.
    void SearchEnded(bool broadcast);
    // The next broadcast search is compared with list (an earlier visit's) instead of the
    // previous broadcast search.
    void CompareNextWith(const core::Controllers& list);
    // A write went out to target (as the last search heard it): it is not gone when it does
    // not answer the next search from there.
    void Written(const core::Controller& target);
    // What the details of a controller node add at their end, given its controller's id
    // (empty: nothing), e.g. the values an open plan has for it.
    void SetNote(std::function<QString(int line)> note) { note_ = std::move(note); }

private:
    enum Kind { kBroadcast, kByAddress, kKinds };

    // What the shown search found of the controller numbered id, or nullptr.
    const core::ControllerChange* ChangeOf(int id) const;
    // Takes these changes as the shown search's.
    void Show(std::vector<core::ControllerChange> changes) const;

    TDeviceModel* nodes_;
    const core::Controllers& devices_;
    TNotifier* notifier_;
    bool started_[kKinds] = {};
    // The controllers the last search of each kind heard, and the writes since.
    std::optional<core::Controllers> previous_[kKinds];
    std::vector<core::ControllerKey> written_[kKinds];
    // The list the next broadcast search is compared with, when one was opened.
    std::optional<core::Controllers> opened_;
    // The last search that ended, whose nodes the tree shows: its kind (its controllers are
    // in previous_ of that kind), whether it was compared, its controllers' changes by id
    // (pending: not made yet).
    Kind shownKind_ = kBroadcast;
    bool shownCompared_ = false;
    mutable std::unordered_map<int, core::ControllerChange> shown_;
    mutable bool shownPending_ = false;
    std::function<QString(int line)> note_;
};
