#include "VersionInfoStatus.h"

#include "VersionInfo.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>

TRzVersionInfoStatus::TRzVersionInfoStatus(QWidget* parent)
    : TRzVersionInfoStatus(*OwnVersionResource(), parent) {}

TRzVersionInfoStatus::TRzVersionInfoStatus(const IVersionResource& resource, QWidget* parent)
    : TRzStatusPane(parent, Qt::AlignRight) {
    setObjectName(QStringLiteral("RzVersionInfoStatus1"));
    setText(ReadVersionField(resource, QStringLiteral("LegalCopyright")));
}

void TRzVersionInfoStatus::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        ShowAboutMenu(event->globalPosition().toPoint());
}

void TRzVersionInfoStatus::contextMenuEvent(QContextMenuEvent* event) {
    ShowAboutMenu(event->globalPos());
}

void TRzVersionInfoStatus::ShowAboutMenu(const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("О Qt…"), this,
                   [this] { QMessageBox::aboutQt(window(), QStringLiteral("О Qt")); });
    menu.exec(globalPos);
}
