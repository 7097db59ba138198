#include "VersionInfoStatus.h"

#include "VersionInfo.h"

TRzVersionInfoStatus::TRzVersionInfoStatus(QWidget* parent)
    : TRzVersionInfoStatus(*OwnVersionResource(), parent) {}

TRzVersionInfoStatus::TRzVersionInfoStatus(const IVersionResource& resource, QWidget* parent)
    : TRzStatusPane(parent, Qt::AlignRight) {
    setObjectName(QStringLiteral("RzVersionInfoStatus1"));
    setText(ReadVersionField(resource, QStringLiteral("LegalCopyright")));
}
