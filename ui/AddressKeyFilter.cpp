#include "AddressKeyFilter.h"

#include "UserFunc.h"

#include <QKeyEvent>
#include <QLineEdit>

AddressKeyFilter::AddressKeyFilter(QLineEdit* field, QString badTextMessage, ShowMessage show)
    : QObject(field), field_(field), message_(std::move(badTextMessage)), show_(std::move(show)) {
    field_->installEventFilter(this);
}

bool AddressKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_ || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == QLatin1String(",")) {
        if (!field_->isReadOnly())
            field_->insert(QStringLiteral("."));
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (BadDottedQuad(field_->text().toStdString(), false)) {
            show_(message_);
            field_->clear();
        }
        return true;
    }
    return false;
}
