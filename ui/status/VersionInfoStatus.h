// The right-hand pane of the status bar (RzVersionInfoStatus1): the copyright text of the
// program's version resource, read once when the pane is created. A click on it (either
// button) offers "О Qt…": Qt's licence and version notice, which the LGPL asks to be
// reachable from the copyright text the program shows.
#pragma once

#include "StatusPane.h"

class IVersionResource;

class TRzVersionInfoStatus : public TRzStatusPane {
    Q_OBJECT
public:
    // Reads the program's own version resource.
    explicit TRzVersionInfoStatus(QWidget* parent = nullptr);
    // Reads the given resource instead.
    TRzVersionInfoStatus(const IVersionResource& resource, QWidget* parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ShowAboutMenu(const QPoint& globalPos);
};
