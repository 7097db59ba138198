// The program's modal dialogs: the message box and the one-line input query, with the
// process-wide appearance settings that decide how both look.
//
// Answering a dialog from a test: the dialog runs a nested modal loop, so start a QTimer
// before the call; when it fires, QApplication::activeModalWidget() is the open dialog.
// Send it Qt::Key_Return / Qt::Key_Escape (QTest::keyClick), or click a button found by
// object name ("OK", "Cancel", "Yes", ...) in the message box or by text ("OK", "Cancel")
// in the input query; the query's QLineEdit has the focus and can be typed into.
#pragma once

#include "MessageForm.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <initializer_list>

// ---- Appearance settings (defaults given by the dialog unit itself) ----
extern uint8_t DlgLanguage;      // row of the caption table, 0..11
extern bool DlgFormGradient;     // background gradient when no panel is used
extern bool DlgFramed;           // false: bare window without frame or title bar
extern bool DlgStyledButtons;    // TXiButton instead of standard push buttons
extern uint8_t DlgButtonScheme;  // TXiButton colour scheme
extern uint8_t DlgPanelScheme;   // TXiPanel colour scheme
extern bool DlgUsePanel;         // a TXiPanel fills the dialog and carries its controls
extern bool DlgUseFont;          // the whole dialog uses DlgFont
extern bool DlgRoundCorners;     // clip the window to a rounded rectangle (no panel only)
extern int32_t DlgCornerSize;    // corner ellipse size for DlgRoundCorners
extern QColor DlgGradientTop;    // top colour of the background gradient
extern QColor DlgGradientBottom; // bottom colour of the background gradient
extern QFont DlgFont;            // message text font; whole dialog with DlgUseFont

// Restores every setting to the dialog unit's defaults.
void AssignDefaultDialogSettings();
// Assigns the program's values of the settings (called once at start, before any window).
void AssignProgramDialogSettings();

// ---- Kinds, buttons, captions ----
enum TDialogKind : uint8_t { dkWarning, dkError, dkInformation, dkConfirmation, dkCustom };

enum TDialogButton : uint8_t {
    dbYes,
    dbNo,
    dbOK,
    dbCancel,
    dbAbort,
    dbRetry,
    dbIgnore,
    dbAll,
    dbNoToAll,
    dbYesToAll,
    dbHelp
};
constexpr int kDialogButtonCount = 11;

// A set of dialog buttons: bit n stands for the button of order n.
class TDialogButtons {
public:
    constexpr TDialogButtons() = default;
    constexpr TDialogButtons(TDialogButton b) : FMask(uint16_t(1u << b)) {}
    constexpr TDialogButtons(std::initializer_list<TDialogButton> list) {
        for (TDialogButton b : list)
            FMask = uint16_t(FMask | (1u << b));
    }
    static constexpr TDialogButtons FromMask(uint16_t mask) {
        TDialogButtons s;
        s.FMask = mask;
        return s;
    }
    constexpr uint16_t Mask() const { return FMask; }
    constexpr bool Has(TDialogButton b) const { return (FMask >> b) & 1u; }
    constexpr int Count() const {
        int n = 0;
        for (int i = 0; i < kDialogButtonCount; ++i)
            n += (FMask >> i) & 1u;
        return n;
    }
    constexpr TDialogButtons operator|(TDialogButtons o) const { return FromMask(FMask | o.FMask); }

private:
    uint16_t FMask = 0;
};

constexpr int kDialogLanguages = 12;
constexpr int kCaptionEntries = 17;
// Caption table entry (UTF-8 text); an out-of-range language reads row 0.
QString DlgCaption(uint8_t language, int entry);
// Component name ("Yes", "No", "OK", ...) and result code of a button.
QString DialogButtonName(TDialogButton b);
int DialogButtonResult(TDialogButton b);

// The family of `font` when installed, else the closest installed family; the other
// attributes are kept.
QFont NearestDialogFont(const QFont& font);

// ---- The dialogs ----
// Error box with one OK button; the result is not needed.
void ShowErrorMessage(const QString& text);
// Message box centred on the screen in language DlgLanguage; returns the result code.
int MessageDialog(const QString& text, TDialogKind kind, TDialogButtons buttons,
                  int32_t helpContext);
// As MessageDialog, with defaultButton (one of buttons) marked default and taking the focus
// when the box opens, in place of OK or Yes.
int MessageDialogDefault(const QString& text, TDialogKind kind, TDialogButtons buttons,
                         TDialogButton defaultButton);
// As MessageDialog, in the given language, with the left/top edges moved when >= 0.
int MessageDialogAt(const QString& text, TDialogKind kind, TDialogButtons buttons, uint8_t language,
                    int top, int left, int32_t helpContext);
// Builds the message box without showing it; the caller owns (and deletes) the form.
TMessageForm* BuildMessageDialog(const QString& text, TDialogKind kind, TDialogButtons buttons,
                                 uint8_t language);
// value = defaultText, then InputQueryDialog in language DlgLanguage.
bool AskText(const QString& caption, const QString& prompt, const QString& defaultText,
             QString& value);
// One-line query: true when OK was chosen (value = the edited text), else false and value
// unchanged.
bool InputQueryDialog(const QString& caption, const QString& prompt, QString& value,
                      uint8_t language);
