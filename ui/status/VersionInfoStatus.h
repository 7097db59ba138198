// The right-hand pane of the status bar (RzVersionInfoStatus1): the copyright text of the
// program's version resource, read once when the pane is created.
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
};
