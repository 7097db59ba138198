// TXiPanel: a panel with a two-colour gradient fill and a one-pixel raised bevel.
#pragma once

#include <QColor>
#include <QFrame>
#include <QString>
#include <cstdint>

enum TFillDirection : uint8_t { fdHorizontal, fdVertical, fdDiagonal };

class TXiPanel : public QFrame {
    Q_OBJECT
public:
    // Colour schemes in the panel's own numbering.
    enum TColorScheme : uint8_t { csCustom, csDesert, csGrass, csSilver, csSky, csRose, csSun };

    explicit TXiPanel(QWidget* parent = nullptr);

    QColor ColorFace() const { return FColorFace; }
    QColor ColorGrad() const { return FColorGrad; }
    QColor ColorLight() const { return FColorLight; }
    QColor ColorDark() const { return FColorDark; }
    void SetColorFace(const QColor& c);
    void SetColorGrad(const QColor& c);
    void SetColorLight(const QColor& c);
    void SetColorDark(const QColor& c);

    // Sets all four colours at once; csCustom keeps the current colours. Unknown numbers are
    // ignored.
    uint8_t ColorScheme() const { return FColorScheme; }
    void SetColorScheme(uint8_t scheme);

    TFillDirection FillDirection() const { return FFillDirection; }
    void SetFillDirection(TFillDirection d);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintTo(QPainter& p, int w, int h) const;

    QColor FColorFace{255, 255, 255};
    QColor FColorGrad{193, 224, 255};
    QColor FColorLight{77, 150, 240};
    QColor FColorDark{0, 89, 179};
    uint8_t FColorScheme = csSky;
    TFillDirection FFillDirection = fdVertical;
    QString FCaption;
};
