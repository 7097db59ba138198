#include "StatusPane.h"

#include "StatusAccessible.h"

TRzStatusPane::TRzStatusPane(QWidget* parent, Qt::Alignment horizontal) : QLabel(parent) {
    StatusAccessible::Install();
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setMargin(0);
    setIndent(CaptionOffset - 1); // the frame is the first pixel
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment((horizontal & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}
