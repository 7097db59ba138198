#include "StatusBar.h"

#include "ClockStatus.h"
#include "Fonts.h"
#include "StatusPane.h"
#include "VersionInfoStatus.h"

#include <QAccessible>

TRzStatusBar::TRzStatusBar(QWidget* parent) : QStatusBar(parent) {
    Build(new TRzVersionInfoStatus(this));
}

TRzStatusBar::TRzStatusBar(const IVersionResource& resource, QWidget* parent) : QStatusBar(parent) {
    Build(new TRzVersionInfoStatus(resource, this));
}

void TRzStatusBar::Build(TRzVersionInfoStatus* version) {
    setObjectName(QStringLiteral("RzStatusBar1"));
    setSizeGripEnabled(false);
    setFixedHeight(Height);
    setFont(StatusBarFont());

    // The panes are placed by hand rather than added as status bar items: the bar's own
    // layout would stretch them and put its item frames around them.
    pane1_ = new TRzStatusPane(this);
    pane1_->setObjectName(QStringLiteral("RzStatusPane1"));
    pane1_->setText(QStringLiteral("Найденно устройств:"));
    pane2_ = new TRzStatusPane(this);
    pane2_->setObjectName(QStringLiteral("RzStatusPane2"));
    clock_ = new TRzClockStatus(this);
    version_ = version;
    // Screen readers hear a pane by its accessible name and its text: "Найденно
    // устройств: 3", "Дата и время: ..."; the copyright pane and the caption pane by their
    // text alone.
    setAccessibleName(QStringLiteral("Строка состояния"));
    pane2_->setAccessibleName(pane1_->text());
    clock_->setAccessibleName(QStringLiteral("Дата и время:"));
    resize(DefaultWidth, Height);
    PlacePanes();
}

void TRzStatusBar::SetDeviceCount(int count) {
    pane2_->setText(QString::number(count));
    // A label with an accessible name of its own does not announce a new text by itself.
    QAccessibleEvent event(pane2_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void TRzStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    PlacePanes();
}

void TRzStatusBar::PlacePanes() {
    const int h = height();
    pane1_->setGeometry(0, 0, CountCaptionWidth, h);
    pane2_->setGeometry(CountCaptionWidth, 0, CountWidth, h);
    clock_->setGeometry(CountCaptionWidth + CountWidth, 0, ClockWidth, h);
    version_->setGeometry(width() - VersionWidth, 0, VersionWidth, h);
}
