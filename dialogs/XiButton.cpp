#include "XiButton.h"

#include "DialogLayout.h"
#include "OffscreenPaint.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

QColor Mix(const QColor& a, const QColor& b, double t) {
    auto ch = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(ch(a.red(), b.red()), ch(a.green(), b.green()), ch(a.blue(), b.blue()));
}

using TSchemeColours = std::array<TXiButtonColors, 4>;

const TXiButtonColors kDisabled{{244, 244, 244}, {250, 250, 250}, {200, 200, 200},
                                kWhite,          {176, 176, 176}, {160, 160, 160}};

// The sky scheme, exactly as designed.
TSchemeColours SkyScheme() {
    const QColor border(0, 89, 179);
    return {{
        {{193, 224, 255}, kWhite, {83, 169, 255}, {217, 236, 255}, border, kBlack},
        {{155, 205, 255}, kWhite, {100, 177, 255}, {202, 228, 255}, border, kBlack},
        {{130, 192, 255}, kWhite, {168, 211, 255}, {34, 145, 255}, border, kBlack},
        kDisabled,
    }};
}

// The other schemes follow the same pattern from a face and a border colour: hover and
// pressed darken the face toward the border, and the pressed bevel is inverted.
TSchemeColours DerivedScheme(const QColor& face, const QColor& border, const QColor& grad) {
    return {{
        {face, grad, Mix(face, border, 0.45), Mix(face, kWhite, 0.45), border, kBlack},
        {Mix(face, border, 0.2), grad, Mix(face, border, 0.4), Mix(face, kWhite, 0.35), border,
         kBlack},
        {Mix(face, border, 0.33), grad, Mix(face, kWhite, 0.4), Mix(face, border, 0.6), border,
         kBlack},
        kDisabled,
    }};
}

TSchemeColours SchemeColours(uint8_t scheme) {
    const QColor desert(240, 222, 190), desertB(150, 100, 40);
    const QColor grass(200, 238, 190), grassB(40, 120, 30);
    const QColor silver(226, 226, 232), silverB(100, 100, 112);
    const QColor rose(255, 214, 224), roseB(170, 40, 80);
    const QColor sun(255, 236, 170), sunB(180, 120, 0);
    const QColor sky(193, 224, 255), skyB(0, 89, 179);
    switch (scheme) {
    case TXiButton::csNeoDesert:
        return DerivedScheme(desert, desertB, kWhite);
    case TXiButton::csNeoSky:
        return DerivedScheme(sky, skyB, kWhite);
    case TXiButton::csNeoGrass:
        return DerivedScheme(grass, grassB, kWhite);
    case TXiButton::csNeoSilver:
        return DerivedScheme(silver, silverB, kWhite);
    case TXiButton::csNeoRose:
        return DerivedScheme(rose, roseB, kWhite);
    case TXiButton::csNeoSun:
        return DerivedScheme(sun, sunB, kWhite);
    case TXiButton::csDesert:
        return DerivedScheme(desert, desertB, Mix(desert, desertB, 0.25));
    case TXiButton::csGrass:
        return DerivedScheme(grass, grassB, Mix(grass, grassB, 0.25));
    case TXiButton::csSun:
        return DerivedScheme(sun, sunB, Mix(sun, sunB, 0.25));
    case TXiButton::csRose:
        return DerivedScheme(rose, roseB, Mix(rose, roseB, 0.25));
    case TXiButton::csSilver:
        return DerivedScheme(silver, silverB, Mix(silver, silverB, 0.25));
    case TXiButton::csSky:
    default:
        return SkyScheme();
    }
}

// Screen readers and UI automation see the button as a push button named by its caption
// whose press action clicks it.
class TXiButtonAccessible : public QAccessibleWidget {
public:
    explicit TXiButtonAccessible(TXiButton* b) : QAccessibleWidget(b, QAccessible::PushButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            QString s = Button()->text();
            s.replace(QLatin1String("&&"), QString(QChar(1)));
            s.remove(QLatin1Char('&'));
            s.replace(QChar(1), QLatin1Char('&'));
            return s;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = Button()->State() == TXiButton::bsDown;
        s.defaultButton = Button()->Default();
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction())
            Button()->Click();
        else
            QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction())
            return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    TXiButton* Button() const { return static_cast<TXiButton*>(widget()); }
};

QAccessibleInterface* XiButtonAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TXiButton") && object && object->isWidgetType())
        return new TXiButtonAccessible(static_cast<TXiButton*>(object));
    return nullptr;
}

constexpr Qt::KeyboardModifiers kBlockingModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

} // namespace

TXiButton::TXiButton(QWidget* parent) : QAbstractButton(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&XiButtonAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover);
    FColors = SkyScheme();
    // Connected first, so the dialog's result is set before any other click handler runs.
    connect(this, &QAbstractButton::clicked, this, &TXiButton::ApplyModalResult);
}

void TXiButton::SetColors(TButtonState s, const TXiButtonColors& c) {
    FColors[s] = c;
    FColorScheme = csCustom;
    update();
}

void TXiButton::SetColorFocusRect(const QColor& c) {
    FColorFocusRect = c;
    FColorScheme = csCustom;
    update();
}

void TXiButton::SetColorScheme(uint8_t scheme) {
    if (scheme > csCustom)
        return;
    FColorScheme = scheme;
    if (scheme != csCustom) {
        FColors = SchemeColours(scheme);
        FColorFocusRect = QColor(20, 155, 220);
    }
    update();
}

void TXiButton::SetGradient(bool on) {
    FGradient = on;
    update();
}

void TXiButton::SetCtl3D(bool on) {
    FCtl3D = on;
    update();
}

bool TXiButton::TakesDialogKey(bool canFocus, bool focused, bool isDefault, bool isCancel, int key,
                               Qt::KeyboardModifiers modifiers) {
    if (!canFocus)
        return false;
    const bool plain = !(modifiers & kBlockingModifiers);
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return (focused && plain) || isDefault;
    if (key == Qt::Key_Escape)
        return isCancel && plain;
    return false;
}

bool TXiButton::TakesDialogKey(int key, Qt::KeyboardModifiers modifiers) const {
    const bool canFocus = isEnabled() && focusPolicy() != Qt::NoFocus && isVisibleTo(window());
    return TakesDialogKey(canFocus, FFocused, FDefault, FCancel, key, modifiers);
}

void TXiButton::Click() {
    if (!isEnabled())
        return;
    SetState(bsNormal);
    QAbstractButton::click(); // clicked() -> ApplyModalResult, then the other handlers
}

void TXiButton::ApplyModalResult() {
    if (FModalResult == 0)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->done(FModalResult);
}

void TXiButton::SetState(TButtonState s) {
    if (FState == s)
        return;
    FState = s;
    update();
}

void TXiButton::enterEvent(QEnterEvent* event) {
    if (FMouseHeld)
        SetState(bsDown);
    else if (FHotTrack)
        SetState(bsOver);
    QAbstractButton::enterEvent(event);
}

void TXiButton::leaveEvent(QEvent* event) {
    SetState(bsNormal);
    QAbstractButton::leaveEvent(event);
}

void TXiButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    FMouseHeld = true;
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    SetState(bsDown);
    event->accept();
}

void TXiButton::mouseMoveEvent(QMouseEvent* event) {
    if (FMouseHeld)
        SetState(rect().contains(event->position().toPoint()) ? bsDown : bsNormal);
    event->accept();
}

void TXiButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FMouseHeld) {
        event->ignore();
        return;
    }
    FMouseHeld = false;
    event->accept();
    if (rect().contains(event->position().toPoint())) {
        SetState(FHotTrack ? bsOver : bsNormal);
        Click();
    } else {
        SetState(bsNormal);
    }
}

void TXiButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            FSpaceHeld = true;
            SetState(bsDown);
        }
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!(event->modifiers() & kBlockingModifiers)) {
            event->accept();
            Click();
            return;
        }
        break;
    default:
        break;
    }
    // Escape and everything else go on to the dialog.
    QWidget::keyPressEvent(event);
}

void TXiButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        event->accept();
        if (!event->isAutoRepeat() && FSpaceHeld) {
            FSpaceHeld = false;
            SetState(bsNormal);
            Click();
        }
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TXiButton::focusInEvent(QFocusEvent* event) {
    FFocused = true;
    update();
    QWidget::focusInEvent(event);
}

void TXiButton::focusOutEvent(QFocusEvent* event) {
    FFocused = false;
    FSpaceHeld = false;
    SetState(bsNormal);
    update();
    QWidget::focusOutEvent(event);
}

void TXiButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        FMouseHeld = false;
        FSpaceHeld = false;
        FState = bsNormal;
        update();
    }
    QAbstractButton::changeEvent(event);
}

void TXiButton::paintEvent(QPaintEvent*) {
    PaintOffscreen(*this, [this](QPainter& p, int w, int h) { PaintTo(p, w, h); });
}

void TXiButton::PaintTo(QPainter& p, int w, int h) const {
    if (w <= 0 || h <= 0)
        return;
    const TXiButtonColors& c = FColors[isEnabled() ? FState : bsDisabled];
    p.setRenderHint(QPainter::Antialiasing, false);

    // Face.
    if (FGradient) {
        for (int y = 0; y < h; ++y)
            p.fillRect(0, y, w, 1, dlglayout::PanelLineColour(c.Face, c.Grad, y, h));
    } else {
        p.fillRect(0, 0, w, h, c.Face);
    }

    // Caption, one line, centred; pressed moves it one pixel right and down.
    QRect textRect(0, 0, w, h);
    if (FState == bsDown && isEnabled())
        textRect.translate(1, 1);
    p.setFont(font());
    p.setPen(c.Text);
    p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text());

    // Border around the whole button.
    p.fillRect(0, 0, w, 1, c.Border);
    p.fillRect(0, h - 1, w, 1, c.Border);
    p.fillRect(0, 0, 1, h, c.Border);
    p.fillRect(w - 1, 0, 1, h, c.Border);

    // Inner bevel: light from (1, h-2) up to (1, 1) and on to (w-1, 1), dark from (w-2, 1)
    // down to (w-2, h-2) and on to (1, h-2), end points excluded.
    if (FCtl3D && w > 3 && h > 3) {
        p.fillRect(1, 2, 1, h - 3, c.Light);
        p.fillRect(1, 1, w - 2, 1, c.Light);
        p.fillRect(w - 2, 1, 1, h - 3, c.Dark);
        p.fillRect(2, h - 2, w - 3, 1, c.Dark);
    }

    // Focus rectangle from (3, 3) to (w-3, h-3), right and bottom exclusive.
    if (FFocused && w > 7 && h > 7) {
        p.fillRect(3, 3, w - 6, 1, FColorFocusRect);
        p.fillRect(3, h - 4, w - 6, 1, FColorFocusRect);
        p.fillRect(3, 3, 1, h - 6, FColorFocusRect);
        p.fillRect(w - 4, 3, 1, h - 6, FColorFocusRect);
    }
}
