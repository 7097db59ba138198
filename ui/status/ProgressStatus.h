// The progress indicator of the "Статус операции" group (RzProgressStatus1).
//
// Its three values change only like this:
//  - SetTotalParts(n): nothing when n is the current total; otherwise the total becomes n,
//    the completed parts 0 and the percentage 0.
//  - SetPartsComplete(p): nothing when p is the current value (before limiting); otherwise
//    p is limited to the total (compared as unsigned 32-bit numbers) and stored, and with a
//    non-zero total the percentage becomes p / total * 100, rounded half to even.
//  - SetPercent(q): nothing when q is the current percentage; otherwise it is stored and
//    the whole group the indicator sits in is repainted before the call returns, which
//    also paints a pending marquee caption.
#pragma once

#include "StatusDisplays.h"

#include <QWidget>
#include <cstdint>

class TRzProgressStatus : public QWidget, public IProgressIndicator {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 145;
    static constexpr int DefaultHeight = 25;

    explicit TRzProgressStatus(QWidget* parent = nullptr);

    void SetTotalParts(int32_t total) override;
    int32_t TotalParts() const override { return totalParts_; }
    void SetPartsComplete(int32_t parts) override;
    int32_t PartsComplete() const override { return partsComplete_; }
    void SetPercent(int16_t percent) override;
    int16_t Percent() const override { return percent_; }

    // parts / total * 100 in long double, rounded half to even, kept to 16 bits.
    // total must not be 0.
    static int16_t PercentOf(int32_t parts, int32_t total);
    // Pixels of an inner area innerWidth wide that the bar fills at the given percentage.
    static int BarFillWidth(int percent, int innerWidth);

    QSize sizeHint() const override { return {DefaultWidth, DefaultHeight}; }

signals:
    // The percentage changed and has been painted (sent with the accessibility value change).
    void PercentChanged(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t totalParts_ = 0;
    int32_t partsComplete_ = 0;
    int16_t percent_ = 0;
};
