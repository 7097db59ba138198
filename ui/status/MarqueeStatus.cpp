#include "MarqueeStatus.h"

#include "Fonts.h"
#include "PaneFrame.h"
#include "StatusAccessible.h"

#include <QAccessible>
#include <QPainter>

namespace {
// Left edge of the text: the frame plus two pixels.
constexpr int TextInset = PaneFrame::Width + 2;
} // namespace

TRzMarqueeStatus::TRzMarqueeStatus(QWidget* parent) : QWidget(parent) {
    StatusAccessible::Install();
    setObjectName(QStringLiteral("RzMarqueeStatus1"));
    setFont(MarqueeFont());
    setFixedSize(DefaultWidth, DefaultHeight);
}

void TRzMarqueeStatus::SetCaption(const std::string& text) {
    SetCaptionText(QString::fromStdString(text));
}

std::string TRzMarqueeStatus::Caption() const {
    return caption_.toStdString();
}

void TRzMarqueeStatus::SetCaptionText(const QString& text) {
    if (text == caption_)
        return;
    caption_ = text;
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
    emit CaptionChanged(caption_);
}

void TRzMarqueeStatus::RepaintNow() {
    repaint();
}

void TRzMarqueeStatus::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = PaneFrame::DrawSunken(painter, rect(), palette());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(inner.adjusted(TextInset - PaneFrame::Width, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
}
