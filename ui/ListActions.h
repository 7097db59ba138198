// The window's list of controllers as the user takes it away and brings it back: Ctrl+C on a
// controller node copies its line, Ctrl+S saves the whole list as CSV, Ctrl+O opens a list
// saved on an earlier visit (CSV, or the command line's JSON) for the next broadcast search
// to be compared with, and the tree's context menu offers all three, and the run's changes
// (Ctrl+H).
#pragma once

#include "ControllerList.h"
#include "Controllers.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QPoint;
class QSaveFile;
class TNotifier;
class TPlanApply;
class TRzCheckTree;
class TSiteMarks;

// The name a saved list is offered under: "controllers-2026-12-08-1410.csv".
QString ListFileName(const QDateTime& localTime);

// Why the file at path is not a list, in the window's words: "Файл … не открыт как список
// контроллеров: строка 3, поле mac: …".
QString ListRefusal(const QString& path, const core::ListError& error);

// Why file could not be written to path, in the window's words where the reason is known.
QString WhyNotSaved(const QString& path, const QSaveFile& file);

class TListActions : public QObject {
    Q_OBJECT
public:
    // devices: the window's controllers; marks: what compares the next broadcast search;
    // notifier: where an opened list is told; plan: the window's plan.
    TListActions(TRzCheckTree* tree, const core::Controllers& devices, TSiteMarks* marks,
                 TNotifier* notifier, TPlanApply* plan);

    // Puts the selected controller's line on the clipboard; false when no controller with a
    // record is selected.
    bool CopySelected();
    // Asks for a file and writes the list there as CSV; a failure is told in a message box
    // and leaves the file as it was.
    void SaveList();
    // Asks for a file and reads it as a list: the next broadcast search is compared with it.
    // A file that is no list is refused in a message box and changes nothing.
    void OpenList();
    // Asks for a file and reads it as a plan. A plan chosen as a list and a list chosen as a
    // plan open as what they are, told by the header line.
    void OpenPlan();

signals:
    // "Изменения за сеанс…" or Ctrl+H: the window of the run's changes is asked for.
    void ChangesAsked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const core::Controller* SelectedController() const;
    void ShowMenu(const QPoint& at);
    // Opens the file at path as a plan or as a list.
    void OpenFile(const QString& path);

    TRzCheckTree* tree_;
    const core::Controllers& devices_;
    TSiteMarks* marks_;
    TNotifier* notifier_;
    TPlanApply* plan_;
    QString folder_; // where the last list was saved or opened
};
