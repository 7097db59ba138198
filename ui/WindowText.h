// The core's UTF-8 texts as the window shows them.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

inline QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// Several items in one line, "a, b, c", each as toText gives it.
template <typename Range, typename ToText> QString CommaList(const Range& items, ToText toText) {
    QStringList list;
    for (const auto& item : items)
        list << toText(item);
    return list.join(QStringLiteral(", "));
}
