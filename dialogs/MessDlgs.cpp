#include "MessDlgs.h"

#include "DialogLayout.h"
#include "XiButton.h"
#include "XiPanel.h"

#include <QApplication>
#include <QBitmap>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <climits>
#include <memory>
#include <optional>

// ---- Settings ----
uint8_t DlgLanguage = 0;
bool DlgFormGradient = false;
bool DlgFramed = true;
bool DlgStyledButtons = false;
uint8_t DlgButtonScheme = TXiButton::csSky;
uint8_t DlgPanelScheme = TXiPanel::csSky;
bool DlgUsePanel = false;
bool DlgUseFont = false;
bool DlgRoundCorners = false;
int32_t DlgCornerSize = 15;
QColor DlgGradientTop(157, 185, 235);
QColor DlgGradientBottom(61, 149, 255);
QFont DlgFont(QStringLiteral("Verdana"), 10, QFont::Bold);

void AssignDefaultDialogSettings() {
    DlgLanguage = 0;
    DlgFormGradient = false;
    DlgFramed = true;
    DlgStyledButtons = false;
    DlgButtonScheme = TXiButton::csSky;
    DlgPanelScheme = TXiPanel::csSky;
    DlgUsePanel = false;
    DlgUseFont = false;
    DlgRoundCorners = false;
    DlgCornerSize = 15;
    DlgGradientTop = QColor(157, 185, 235);
    DlgGradientBottom = QColor(61, 149, 255);
    DlgFont = QFont(QStringLiteral("Verdana"), 10, QFont::Bold);
}

void AssignProgramDialogSettings() {
    DlgLanguage = 0;
    DlgFormGradient = true;
    DlgFramed = false;
    DlgStyledButtons = true;
    DlgButtonScheme = TXiButton::csSky;
    DlgPanelScheme = TXiPanel::csSky;
    DlgUsePanel = true;
    DlgUseFont = true;
    DlgRoundCorners = true;
    DlgCornerSize = 40;
    DlgGradientTop = QColor(0, 0, 128);
    DlgGradientBottom = QColor(0, 0, 0);
    DlgFont.setFamily(QStringLiteral("Tahoma"));
    DlgFont.setBold(true);
}

// ---- Captions ----
namespace {

// Entry 0: Cancel of the input query; 1-4: titles of the kinds; 5: unused; 6-16: buttons.
const char* const kCaptions[kDialogLanguages][kCaptionEntries] = {
    {"Cancel", "Warning", "Error", "Information", "Confirm", "", "Yes", "No", "OK", "Cancel",
     "Abort", "Retry", "Ignore", "All", "No to all", "Yes to all", "Help"},
    {"Отмена", "Предупреждение", "Ошибка", "Информация", "Подтверждение", "", "Да", "Нет", "OK",
     "Отмена", "Прервать", "Повторить", "Пропустить", "Все", "Нет для всех", "Да для всех",
     "Справка"},
    {"Cancelar", "Aviso", "Erro", "Informação", "Confirmação", "", "Sim", "Não", "OK", "Cancelar",
     "Abortar", "Repetir", "Ignorar", "Todos", "Não para todos", "Sim para todos", "Ajuda"},
    {"İptal", "Uyarı", "Hata", "Bilgi", "Onay", "", "Evet", "Hayır", "Tamam", "İptal", "Durdur",
     "Yeniden dene", "Yoksay", "Tümü", "Tümüne hayır", "Tümüne evet", "Yardım"},
    {"Abbrechen", "Warnung", "Fehler", "Information", "Bestätigen", "", "Ja", "Nein", "OK",
     "Abbrechen", "Abbruch", "Wiederholen", "Ignorieren", "Alle", "Alle nein", "Alle ja", "Hilfe"},
    {"Annuleren", "Waarschuwing", "Fout", "Informatie", "Bevestigen", "", "Ja", "Nee", "OK",
     "Annuleren", "Afbreken", "Opnieuw", "Negeren", "Alle", "Nee op alles", "Ja op alles", "Help"},
    {"Annuler", "Avertissement", "Erreur", "Information", "Confirmation", "", "Oui", "Non", "OK",
     "Annuler", "Abandonner", "Réessayer", "Ignorer", "Tous", "Non à tout", "Oui à tout", "Aide"},
    {"Ακύρωση", "Προειδοποίηση", "Σφάλμα", "Πληροφορίες", "Επιβεβαίωση", "", "Ναι", "Όχι", "OK",
     "Ακύρωση", "Διακοπή", "Επανάληψη", "Παράβλεψη", "Όλα", "Όχι σε όλα", "Ναι σε όλα", "Βοήθεια"},
    {"Cancelar", "Advertencia", "Error", "Información", "Confirmar", "", "Sí", "No", "Aceptar",
     "Cancelar", "Anular", "Reintentar", "Omitir", "Todos", "No a todo", "Sí a todo", "Ayuda"},
    {"Annulla", "Avviso", "Errore", "Informazioni", "Conferma", "", "Sì", "No", "OK", "Annulla",
     "Interrompi", "Riprova", "Ignora", "Tutti", "No a tutti", "Sì a tutti", "Guida"},
    {"Mégse", "Figyelmeztetés", "Hiba", "Információ", "Megerősítés", "", "Igen", "Nem", "OK",
     "Mégse", "Megszakítás", "Újra", "Kihagyás", "Mind", "Egyikre sem", "Mindre igen", "Súgó"},
    {"Anulare", "Avertisment", "Eroare", "Informație", "Confirmare", "", "Da", "Nu", "OK",
     "Anulare", "Abandon", "Reîncercare", "Ignorare", "Toate", "Nu la toate", "Da la toate",
     "Ajutor"},
};

struct TButtonInfo {
    const char* Name;
    int Result;
};
const TButtonInfo kButtons[kDialogButtonCount] = {
    {"Yes", 6},    {"No", 7},  {"OK", 1},      {"Cancel", 2},    {"Abort", 3}, {"Retry", 4},
    {"Ignore", 5}, {"All", 8}, {"NoToAll", 9}, {"YesToAll", 10}, {"Help", 0},
};

} // namespace

QString DlgCaption(uint8_t language, int entry) {
    if (language >= kDialogLanguages)
        language = 0;
    if (entry < 0 || entry >= kCaptionEntries)
        return {};
    return QString::fromUtf8(kCaptions[language][entry]);
}

QString DialogButtonName(TDialogButton b) {
    return b < kDialogButtonCount ? QString::fromLatin1(kButtons[b].Name) : QString();
}

int DialogButtonResult(TDialogButton b) {
    return b < kDialogButtonCount ? kButtons[b].Result : 0;
}

// ---- Fonts, icons, metrics ----
QFont NearestDialogFont(const QFont& font) {
    const QString family = font.family();
    if (family.isEmpty() || QFontDatabase::hasFamily(family))
        return font;

    static const QStringList kTahomaLike = {"Verdana",   "DejaVu Sans", "Liberation Sans",
                                            "Noto Sans", "FreeSans",    "Arial"};
    static const QStringList kVerdanaLike = {"Tahoma",    "DejaVu Sans", "Liberation Sans",
                                             "Noto Sans", "FreeSans",    "Arial"};
    static const QStringList kSansSerifLike = {
        "Microsoft Sans Serif", "Liberation Sans", "Arial", "FreeSans", "DejaVu Sans", "Noto Sans"};
    static const QStringList kAnySans = {"DejaVu Sans", "Liberation Sans", "Noto Sans", "FreeSans",
                                         "Arial"};
    const QString key = family.toLower();
    const QStringList& candidates = key == QLatin1String("tahoma")          ? kTahomaLike
                                    : key == QLatin1String("verdana")       ? kVerdanaLike
                                    : key == QLatin1String("ms sans serif") ? kSansSerifLike
                                                                            : kAnySans;
    QFont result(font);
    for (const QString& c : candidates) {
        if (QFontDatabase::hasFamily(c)) {
            result.setFamily(c);
            return result;
        }
    }
    result.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    return result;
}

namespace {

QRect ScreenGeometry() {
    if (const QScreen* s = QGuiApplication::primaryScreen())
        return s->geometry();
    return QRect(0, 0, 1024, 768);
}

dlglayout::TDialogUnits MeasureDialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    return dlglayout::DialogUnitsFromExtent(
        QSize(fm.horizontalAdvance(dlglayout::kUnitLetters), fm.height()));
}

constexpr int kWrapFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QSize MeasureWrappedText(const QFont& font, const QString& text, int maxWidth) {
    const QFontMetrics fm(font);
    return fm.boundingRect(QRect(0, 0, maxWidth, INT_MAX / 4), kWrapFlags, text).size();
}

QPixmap StockIcon(TDialogKind kind) {
    struct TIconSource {
        const char* Theme;
        QStyle::StandardPixmap Stock;
    };
    static const TIconSource kSources[] = {
        {"dialog-warning", QStyle::SP_MessageBoxWarning},
        {"dialog-error", QStyle::SP_MessageBoxCritical},
        {"dialog-information", QStyle::SP_MessageBoxInformation},
        {"dialog-question", QStyle::SP_MessageBoxQuestion},
    };
    if (kind > dkConfirmation)
        return {};
    const QSize size(dlglayout::kIconSize, dlglayout::kIconSize);
    QIcon icon = QIcon::fromTheme(QLatin1String(kSources[kind].Theme));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(kSources[kind].Stock);
    return icon.pixmap(size);
}

// Steps shared by both dialogs: an empty form in the message font (or DlgFont), with the
// background gradient when it applies.
std::unique_ptr<TMessageForm> CreateDialogForm() {
    auto form = std::make_unique<TMessageForm>();
    form->setFont(QApplication::font("QMessageBox"));
    if (DlgFormGradient && !DlgUsePanel)
        form->SetBackgroundGradient(DlgGradientTop, DlgGradientBottom);
    if (DlgUseFont)
        form->setFont(NearestDialogFont(DlgFont));
    return form;
}

void ApplyBorder(TMessageForm* form) {
    if (DlgFramed)
        form->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                             Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    else
        form->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

// A panel filling the client area and carrying every control.
TXiPanel* CreatePanel(TMessageForm* form) {
    auto* panel = new TXiPanel(form);
    panel->SetCaption(QString());
    panel->SetColorScheme(DlgPanelScheme);
    auto* fill = new QVBoxLayout(form);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->setSpacing(0);
    fill->addWidget(panel);
    return panel;
}

QAbstractButton* CreateButton(TMessageForm* form, QWidget* container, const QString& caption,
                              int result, bool isDefault, bool isCancel) {
    QAbstractButton* button;
    if (DlgStyledButtons) {
        auto* xi = new TXiButton(container);
        xi->SetColorScheme(DlgButtonScheme);
        xi->SetModalResult(result);
        xi->SetDefault(isDefault);
        xi->SetCancel(isCancel);
        button = xi;
    } else {
        auto* push = new QPushButton(container);
        push->setAutoDefault(false);
        push->setDefault(isDefault);
        button = push;
    }
    button->setText(caption);
    form->AddDialogButton(button, result, isDefault, isCancel);
    return button;
}

// Clips the window to a rounded rectangle; the frame goes away first.
void ApplyRoundedWindow(TMessageForm* form) {
    const QPoint pos = form->pos();
    form->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    form->move(pos);
    // The form's size never included a frame, so the client area keeps its size here.
    const QSize size = form->size();
    QBitmap shape(size);
    shape.fill(Qt::color0);
    {
        QPainter p(&shape);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::color1);
        const qreal radius = DlgCornerSize / 2.0;
        p.drawRoundedRect(QRect(QPoint(0, 0), size), radius, radius);
    }
    form->setMask(QRegion(shape));
}

} // namespace

// ---- The message box ----
namespace {

// The message box; chosenDefault: the button marked default and focused in place of the
// usual one.
TMessageForm* BuildMessageBox(const QString& text, TDialogKind kind, TDialogButtons buttons,
                              uint8_t language, std::optional<TDialogButton> chosenDefault) {
    std::unique_ptr<TMessageForm> form = CreateDialogForm();
    QWidget* container = form.get();
    TXiPanel* panel = nullptr;
    if (DlgUsePanel) {
        panel = CreatePanel(form.get());
        panel->setObjectName(QStringLiteral("ThePanel"));
        container = panel;
    }
    ApplyBorder(form.get());

    const dlglayout::TDialogUnits units = MeasureDialogUnits(form->font());
    const QRect screen = ScreenGeometry();
    const QSize textSize =
        MeasureWrappedText(form->font(), text, dlglayout::WrapWidthLimit(screen.width()));
    const bool hasIcon = kind <= dkConfirmation;
    const dlglayout::TMessageLayout layout =
        dlglayout::LayoutMessageBox(units, textSize, hasIcon, buttons.Count());

    form->setFixedSize(layout.Client);
    if (panel)
        panel->setGeometry(QRect(QPoint(0, 0), layout.Client));
    form->move(dlglayout::CentredTopLeft(screen, layout.Client));
    form->setWindowTitle(hasIcon ? DlgCaption(language, 1 + kind)
                                 : QGuiApplication::applicationDisplayName());

    if (hasIcon) {
        auto* image = new QLabel(container);
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(StockIcon(kind));
        image->setGeometry(layout.Icon);
    }

    auto* message = new QLabel(container);
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message->setFont(NearestDialogFont(DlgFont));
    message->setText(text);
    if (panel) {
        QPalette pal = message->palette();
        pal.setColor(QPalette::WindowText, panel->ColorDark());
        message->setPalette(pal);
    }
    // Auto-sized: the measured width, the height its own font needs at that width.
    const int messageH =
        QFontMetrics(message->font())
            .boundingRect(QRect(0, 0, layout.Message.width(), INT_MAX / 4), kWrapFlags, text)
            .height();
    message->setGeometry(layout.Message.x(), layout.Message.y(), layout.Message.width(), messageH);

    const TDialogButton defaultButton = chosenDefault        ? *chosenDefault
                                        : buttons.Has(dbOK)  ? dbOK
                                        : buttons.Has(dbYes) ? dbYes
                                                             : dbRetry;
    const TDialogButton cancelButton = buttons.Has(dbCancel) ? dbCancel
                                       : buttons.Has(dbNo)   ? dbNo
                                                             : dbOK;
    size_t slot = 0;
    for (int order = 0; order < kDialogButtonCount; ++order) {
        const auto b = TDialogButton(order);
        if (!buttons.Has(b))
            continue;
        QAbstractButton* button =
            CreateButton(form.get(), container, DlgCaption(language, 6 + order),
                         DialogButtonResult(b), b == defaultButton, b == cancelButton);
        button->setObjectName(DialogButtonName(b));
        button->setGeometry(layout.Buttons[slot++]);
        if (b == dbHelp)
            QObject::connect(button, &QAbstractButton::clicked, form.get(),
                             &TMessageForm::HelpButtonClick);
        if (chosenDefault && b == *chosenDefault)
            form->SetInitialFocus(button);
    }
    if (!chosenDefault && !form->DialogButtons().empty())
        form->SetInitialFocus(form->DialogButtons().front());

    if (DlgRoundCorners && !DlgUsePanel)
        ApplyRoundedWindow(form.get());
    return form.release();
}

} // namespace

TMessageForm* BuildMessageDialog(const QString& text, TDialogKind kind, TDialogButtons buttons,
                                 uint8_t language) {
    return BuildMessageBox(text, kind, buttons, language, std::nullopt);
}

int MessageDialogAt(const QString& text, TDialogKind kind, TDialogButtons buttons, uint8_t language,
                    int top, int left, int32_t helpContext) {
    const std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, kind, buttons, language));
    form->SetHelpContext(helpContext);
    QPoint pos = form->pos();
    if (left >= 0)
        pos.setX(left);
    if (top >= 0)
        pos.setY(top);
    form->move(pos);
    return form->exec();
}

int MessageDialog(const QString& text, TDialogKind kind, TDialogButtons buttons,
                  int32_t helpContext) {
    return MessageDialogAt(text, kind, buttons, DlgLanguage, -1, -1, helpContext);
}

int MessageDialogDefault(const QString& text, TDialogKind kind, TDialogButtons buttons,
                         TDialogButton defaultButton) {
    const std::unique_ptr<TMessageForm> form(
        BuildMessageBox(text, kind, buttons, DlgLanguage, defaultButton));
    return form->exec();
}

void ShowErrorMessage(const QString& text) {
    MessageDialog(text, dkError, {dbOK}, 0);
}

// ---- The input query ----
bool InputQueryDialog(const QString& caption, const QString& prompt, QString& value,
                      uint8_t language) {
    const std::unique_ptr<TMessageForm> form = CreateDialogForm();
    const dlglayout::TDialogUnits units = MeasureDialogUnits(form->font());
    ApplyBorder(form.get());
    form->setWindowTitle(caption);

    const dlglayout::TQueryLayout layout = dlglayout::LayoutInputQuery(units);
    form->setFixedSize(layout.Client);
    form->move(dlglayout::CentredTopLeft(ScreenGeometry(), layout.Client));

    QWidget* container = form.get();
    if (DlgUsePanel) {
        container = CreatePanel(form.get());
        container->setGeometry(QRect(QPoint(0, 0), layout.Client));
    }

    auto* promptLabel = new QLabel(container);
    promptLabel->setTextFormat(Qt::PlainText);
    promptLabel->setText(prompt);
    promptLabel->move(layout.Prompt);
    promptLabel->adjustSize();

    auto* edit = new QLineEdit(container);
    edit->setMaxLength(255);
    edit->setAccessibleName(prompt); // the label above it has no buddy to lend it its text
    edit->setText(value);
    edit->selectAll();
    edit->setGeometry(layout.EditLeft, layout.EditTop, layout.EditWidth, edit->sizeHint().height());
    form->SetInitialFocus(edit);

    QAbstractButton* ok = CreateButton(form.get(), container, QStringLiteral("OK"), 1, true, false);
    ok->setGeometry(layout.Ok);
    QAbstractButton* cancel =
        CreateButton(form.get(), container, DlgCaption(language, 0), 2, false, true);
    cancel->setGeometry(layout.Cancel);

    if (DlgRoundCorners && !DlgUsePanel)
        ApplyRoundedWindow(form.get());

    if (form->exec() != 1)
        return false;
    value = edit->text();
    return true;
}

bool AskText(const QString& caption, const QString& prompt, const QString& defaultText,
             QString& value) {
    value = defaultText;
    return InputQueryDialog(caption, prompt, value, DlgLanguage);
}
