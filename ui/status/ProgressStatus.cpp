#include "ProgressStatus.h"

#include "PaneFrame.h"
#include "StatusAccessible.h"

#include <QAccessible>
#include <QPainter>
#include <cmath>

TRzProgressStatus::TRzProgressStatus(QWidget* parent) : QWidget(parent) {
    StatusAccessible::Install();
    setObjectName(QStringLiteral("RzProgressStatus1"));
    setFixedSize(DefaultWidth, DefaultHeight);
    // paintEvent covers every pixel: a repaint of the bar needs nothing painted beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TRzProgressStatus::SetTotalParts(int32_t total) {
    if (total == totalParts_)
        return;
    totalParts_ = total;
    partsComplete_ = 0;
    SetPercent(0);
}

void TRzProgressStatus::SetPartsComplete(int32_t parts) {
    if (parts == partsComplete_)
        return;
    if (static_cast<uint32_t>(parts) > static_cast<uint32_t>(totalParts_))
        parts = totalParts_;
    partsComplete_ = parts;
    if (totalParts_ != 0)
        SetPercent(PercentOf(parts, totalParts_));
}

void TRzProgressStatus::SetPercent(int16_t percent) {
    if (percent == percent_)
        return;
    percent_ = percent;
    // Painted before the call returns; the window's paint pass that paints the bar also
    // paints whatever else waits to be painted (a new marquee caption of the group).
    repaint();
    QAccessibleValueChangeEvent event(this, static_cast<int>(percent_));
    QAccessible::updateAccessibility(&event);
    emit PercentChanged(percent_);
}

int16_t TRzProgressStatus::PercentOf(int32_t parts, int32_t total) {
    // std::nearbyint rounds by the current mode, which is to-nearest-even by default.
    const long double exact =
        static_cast<long double>(parts) / static_cast<long double>(total) * 100.0L;
    // A negative total (a huge unsigned limit) can give values beyond 16 bits; they wrap.
    return static_cast<int16_t>(static_cast<int64_t>(std::nearbyint(exact)));
}

int TRzProgressStatus::BarFillWidth(int percent, int innerWidth) {
    if (innerWidth <= 0 || percent <= 0)
        return 0;
    if (percent >= 100)
        return innerWidth;
    const double exact = static_cast<double>(percent) * innerWidth / 100.0;
    return static_cast<int>(std::nearbyint(exact));
}

void TRzProgressStatus::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = PaneFrame::DrawSunken(painter, rect(), palette());
    painter.fillRect(inner, palette().color(QPalette::Window));
    const int filled = BarFillWidth(percent_, inner.width());
    if (filled > 0)
        painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()),
                         PaneFrame::GradientActiveCaption);
}
