// The window's list of controllers as the user takes it away: Ctrl+C on a controller node
// copies its line, Ctrl+S saves the whole list as CSV, and the tree's context menu offers
// both.
#pragma once

#include "Controllers.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QPoint;
class TRzCheckTree;

// The name a saved list is offered under: "controllers-2026-12-08-1410.csv".
QString ListFileName(const QDateTime& localTime);

class TListActions : public QObject {
    Q_OBJECT
public:
    // devices: the window's controllers.
    TListActions(TRzCheckTree* tree, const core::Controllers& devices);

    // Puts the selected controller's line on the clipboard; false when no controller with a
    // record is selected.
    bool CopySelected();
    // Asks for a file and writes the list there as CSV; a failure is told in a message box
    // and leaves the file as it was.
    void SaveList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const core::Controller* SelectedController() const;
    void ShowMenu(const QPoint& at);

    TRzCheckTree* tree_;
    const core::Controllers& devices_;
    QString folder_; // where the last list was saved
};
