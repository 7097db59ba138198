// Key handling of an address field: a typed "," becomes "."; Enter checks the text as a
// dotted quad and, when it is not one, shows the message and empties the field.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

class AddressKeyFilter : public QObject {
    Q_OBJECT
public:
    using ShowMessage = std::function<void(const QString&)>;
    AddressKeyFilter(QLineEdit* field, QString badTextMessage, ShowMessage show);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* field_;
    QString message_;
    ShowMessage show_;
};
