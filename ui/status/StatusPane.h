// A pane of the window's status bar: a label inside a thin sunken frame, one line,
// vertically centred, the text 3 pixels inside the pane's edge. Panes keep their width
// whatever their text.
#pragma once

#include <QLabel>

class TRzStatusPane : public QLabel {
    Q_OBJECT
public:
    // Pixels between the pane's edge and its text: the frame and two more.
    static constexpr int CaptionOffset = 3;

    explicit TRzStatusPane(QWidget* parent = nullptr, Qt::Alignment horizontal = Qt::AlignLeft);
};
