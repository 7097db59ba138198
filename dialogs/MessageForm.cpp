#include "MessageForm.h"

#include "DialogLayout.h"
#include "XiButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

TMessageForm::TMessageForm(QWidget* parent) : QDialog(parent) {}

void TMessageForm::AddDialogButton(QAbstractButton* button, int modalResult, bool isDefault,
                                   bool isCancel) {
    FButtons.push_back({button, modalResult, isDefault, isCancel});
    FButtonList.push_back(button);
    if (!qobject_cast<TXiButton*>(button) && modalResult != 0) {
        connect(button, &QAbstractButton::clicked, this,
                [this, modalResult] { done(modalResult); });
    }
}

void TMessageForm::SetBackgroundGradient(const QColor& top, const QColor& bottom) {
    FGradient = true;
    FGradientTop = top;
    FGradientBottom = bottom;
    update();
}

bool TMessageForm::Takes(const TButtonEntry& e, int key, Qt::KeyboardModifiers modifiers) const {
    if (auto* xi = qobject_cast<TXiButton*>(e.Button))
        return xi->TakesDialogKey(key, modifiers);
    const QAbstractButton* b = e.Button;
    const bool canFocus = b->isEnabled() && b->focusPolicy() != Qt::NoFocus && b->isVisibleTo(this);
    return TXiButton::TakesDialogKey(canFocus, b->hasFocus(), e.IsDefault, e.IsCancel, key,
                                     modifiers);
}

bool TMessageForm::OfferDialogKey(int key, Qt::KeyboardModifiers modifiers) {
    for (const TButtonEntry& e : FButtons) {
        if (!Takes(e, key, modifiers))
            continue;
        if (auto* xi = qobject_cast<TXiButton*>(e.Button))
            xi->Click();
        else
            e.Button->click();
        return true;
    }
    return false;
}

void TMessageForm::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        // Not passed on to QDialog: its own Escape handling would bypass the cancel button.
        OfferDialogKey(key, event->modifiers());
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMessageForm::reject() {
    done(kCloseResult);
}

void TMessageForm::HelpButtonClick() {
    emit helpRequested(FHelpContext);
}

void TMessageForm::paintEvent(QPaintEvent* event) {
    if (!FGradient) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.save();
    const int w = width();
    const int h = height();
    for (int k = 0; k < h; ++k) {
        p.setPen(QPen(dlglayout::BackgroundLineColour(FGradientTop, FGradientBottom, k, h), 1));
        p.drawLine(0, k, w - 1, k);
    }
    p.restore();
}

void TMessageForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (FInitialFocus)
        FInitialFocus->setFocus(Qt::ActiveWindowFocusReason);
    activateWindow();
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    // The window system confirms the activation only on a later pass of the event loop; take
    // the focus now, so the first event the modal loop delivers already finds it in place.
    QApplication::setActiveWindow(this);
#endif
}
