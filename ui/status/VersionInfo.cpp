#include "VersionInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
    // One pair per word: language and code page as eight hexadecimal digits.
    std::vector<LangCodePage> list;
    const std::optional<QByteArray> data =
        ReadResourceFile(root_ + QStringLiteral("/VarFileInfo/Translation"));
    if (!data)
        return list;
    static const QRegularExpression word(QStringLiteral("^([0-9A-Fa-f]{4})([0-9A-Fa-f]{4})$"));
    for (const QString& token : QString::fromLatin1(*data).split(
             QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = word.match(token);
        if (!m.hasMatch())
            continue;
        list.push_back({static_cast<uint16_t>(m.captured(1).toUInt(nullptr, 16)),
                        static_cast<uint16_t>(m.captured(2).toUInt(nullptr, 16))});
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
