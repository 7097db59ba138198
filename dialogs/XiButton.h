// TXiButton: a flat, focusable push button painted in one of a set of colour schemes, with
// an inner bevel, a focus rectangle and the dialog's default/cancel key handling.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <array>
#include <cstdint>

struct TXiButtonColors {
    QColor Face, Grad, Dark, Light, Border, Text;
};

class TXiButton : public QAbstractButton {
    Q_OBJECT
public:
    // Colour schemes in the button's own numbering.
    enum TColorScheme : uint8_t {
        csNeoDesert,
        csNeoSky,
        csNeoGrass,
        csNeoSilver,
        csNeoRose,
        csNeoSun,
        csDesert,
        csGrass,
        csSky,
        csSun,
        csRose,
        csSilver,
        csCustom
    };
    // Visual state; the colour sets are indexed by it (plus bsDisabled).
    enum TButtonState : uint8_t { bsNormal, bsOver, bsDown, bsDisabled };

    explicit TXiButton(QWidget* parent = nullptr);

    // Colours of one state: bsNormal (Color...), bsOver (ColorOver...), bsDown
    // (ColorDown...), bsDisabled (ColorDisabled...).
    const TXiButtonColors& Colors(TButtonState s) const { return FColors[s]; }
    void SetColors(TButtonState s, const TXiButtonColors& c);
    QColor ColorFocusRect() const { return FColorFocusRect; }
    void SetColorFocusRect(const QColor& c);

    // Sets every colour at once; csCustom keeps the current ones.
    uint8_t ColorScheme() const { return FColorScheme; }
    void SetColorScheme(uint8_t scheme);

    bool Gradient() const { return FGradient; }
    void SetGradient(bool on);
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool on) { FHotTrack = on; }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool on);
    bool Default() const { return FDefault; }
    void SetDefault(bool on) { FDefault = on; }
    bool Cancel() const { return FCancel; }
    void SetCancel(bool on) { FCancel = on; }
    // Non-zero: a click ends the enclosing modal dialog with this code.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int code) { FModalResult = code; }

    TButtonState State() const { return FState; }
    // Set by focus-in, cleared by focus-out; shows the focus rectangle.
    bool Focused() const { return FFocused; }

    // Whether this button answers the dialog key (Enter or Escape) with a click.
    bool TakesDialogKey(int key, Qt::KeyboardModifiers modifiers) const;
    // The rule behind TakesDialogKey, shared with the standard push buttons of the dialogs.
    static bool TakesDialogKey(bool canFocus, bool focused, bool isDefault, bool isCancel, int key,
                               Qt::KeyboardModifiers modifiers);

    // Clicks the button: ends the dialog with ModalResult (when non-zero), returns the button
    // to normal and then emits clicked().
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetState(TButtonState s);
    void ApplyModalResult();
    void PaintTo(QPainter& p, int w, int h) const;

    std::array<TXiButtonColors, 4> FColors;
    QColor FColorFocusRect{20, 155, 220};
    uint8_t FColorScheme = csSky;
    bool FGradient = false;
    bool FHotTrack = true;
    bool FCtl3D = true;
    bool FDefault = false;
    bool FCancel = false;
    int FModalResult = 0;
    TButtonState FState = bsNormal;
    bool FMouseHeld = false;
    bool FSpaceHeld = false;
    bool FFocused = false;
};
