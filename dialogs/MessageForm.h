// TMessageForm: the top-level form of every dialog. It adds the dialog-key handling of its
// buttons, the Help button's click handler and an optional background gradient.
#pragma once

#include <QColor>
#include <QDialog>
#include <cstdint>
#include <vector>

class QAbstractButton;

class TMessageForm : public QDialog {
    Q_OBJECT
public:
    // Result of closing the form other than by a button (window close, reject()).
    static constexpr int kCloseResult = 2;

    explicit TMessageForm(QWidget* parent = nullptr);

    int32_t HelpContext() const { return FHelpContext; }
    void SetHelpContext(int32_t context) { FHelpContext = context; }

    // Registers a button of the dialog, in creation order. A TXiButton ends the dialog by its
    // own ModalResult; for any other button the form does it. A result code of 0 keeps the
    // dialog open.
    void AddDialogButton(QAbstractButton* button, int modalResult, bool isDefault, bool isCancel);
    const std::vector<QAbstractButton*>& DialogButtons() const { return FButtonList; }

    // Widget that takes the focus when the form is shown.
    void SetInitialFocus(QWidget* w) { FInitialFocus = w; }

    // Paints the client area with a vertical two-colour gradient, truncating per line.
    void SetBackgroundGradient(const QColor& top, const QColor& bottom);
    bool HasBackgroundGradient() const { return FGradient; }

    // Dialog keys (Enter, Escape) are offered to the buttons in creation order until one
    // takes them; returns whether one did (and was clicked).
    bool OfferDialogKey(int key, Qt::KeyboardModifiers modifiers);

    void reject() override;

public slots:
    // Click handler of the Help button: asks for the help topic of HelpContext().
    void HelpButtonClick();

signals:
    void helpRequested(int32_t helpContext);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct TButtonEntry {
        QAbstractButton* Button;
        int ModalResult;
        bool IsDefault;
        bool IsCancel;
    };
    bool Takes(const TButtonEntry& e, int key, Qt::KeyboardModifiers modifiers) const;

    int32_t FHelpContext = 0;
    std::vector<TButtonEntry> FButtons;
    std::vector<QAbstractButton*> FButtonList;
    QWidget* FInitialFocus = nullptr;
    bool FGradient = false;
    QColor FGradientTop;
    QColor FGradientBottom;
};
