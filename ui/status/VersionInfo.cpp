#include "VersionInfo.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>

QString StringTableName(LangCodePage translation) {
    return QStringLiteral("%1%2")
        .arg(translation.language, 4, 16, QLatin1Char('0'))
        .arg(translation.codePage, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString ReadVersionField(const IVersionResource& resource, const QString& field) {
    if (!resource.HasVersionInfo())
        return QString::fromLatin1(VersionValueNotAvailable);
    const std::vector<LangCodePage> translations = resource.Translations();
    if (translations.empty())
        return {};
    const QString path = QStringLiteral("\\StringFileInfo\\") +
                         StringTableName(translations.front()) + QLatin1Char('\\') + field;
    return resource.Value(path).value_or(QString());
}

// Embedded tables ------------------------------------------------------------------------

namespace {

// "\StringFileInfo\041904E3\LegalCopyright" -> "StringFileInfo/041904E3/LegalCopyright"
QString ResourceRelativePath(const QString& path) {
    QString relative = path;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    return relative;
}

std::optional<QByteArray> ReadResourceFile(const QString& fileName) {
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

QtVersionResource::QtVersionResource(QString root) : root_(std::move(root)) {}

bool QtVersionResource::HasVersionInfo() const {
    return QFileInfo(root_).isDir();
}

std::vector<LangCodePage> QtVersionResource::Translations() const {
    // One pair per word: language and code page as eight hexadecimal digits. Read by hand:
    // the status bar reads this while the window is built, and a regular expression would
    // be compiled first.
    std::vector<LangCodePage> list;
    const std::optional<QByteArray> data =
        ReadResourceFile(root_ + QStringLiteral("/VarFileInfo/Translation"));
    if (!data)
        return list;
    const auto isHexDigit = [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    };
    for (const QByteArray& word : data->simplified().split(' ')) {
        if (word.size() != 8 || !std::all_of(word.begin(), word.end(), isHexDigit))
            continue;
        const uint pair = word.toUInt(nullptr, 16);
        list.push_back({static_cast<uint16_t>(pair >> 16), static_cast<uint16_t>(pair & 0xFFFF)});
    }
    return list;
}

std::optional<QString> QtVersionResource::Value(const QString& path) const {
    const std::optional<QByteArray> data =
        ReadResourceFile(root_ + QLatin1Char('/') + ResourceRelativePath(path));
    if (!data)
        return std::nullopt;
    QString value = QString::fromUtf8(*data);
    while (value.endsWith(QLatin1Char('\n')) || value.endsWith(QLatin1Char('\r')))
        value.chop(1);
    return value;
}
