// The version resource of the program's own file and the lookup of its string values.
//
// The resource lists language/code-page pairs under "\VarFileInfo\Translation" and holds
// one string table per pair, "\StringFileInfo\<language><code page>\", four upper-case
// hexadecimal digits each ("041904E3": Russian, code page 1251). On Windows it is the
// file's VERSIONINFO resource; elsewhere the same tables are embedded as Qt resources
// under ":/versioninfo", with '/' in place of '\'.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct LangCodePage {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

class IVersionResource {
public:
    virtual ~IVersionResource() = default;
    // False when the file carries no version information at all.
    virtual bool HasVersionInfo() const = 0;
    // The pairs listed under "\VarFileInfo\Translation", in order.
    virtual std::vector<LangCodePage> Translations() const = 0;
    // A string value by its full path, e.g. "\StringFileInfo\041904E3\LegalCopyright";
    // nullopt when there is no such value.
    virtual std::optional<QString> Value(const QString& path) const = 0;
};

// What is shown when the file has no version information at all.
inline constexpr char VersionValueNotAvailable[] = "Value Not Available";

// "041904E3" for Russian / 1251.
QString StringTableName(LangCodePage translation);

// The value of a field (e.g. "LegalCopyright") in the string table of the first listed
// translation; "Value Not Available" without version information, empty when the table or
// the value is missing.
QString ReadVersionField(const IVersionResource& resource, const QString& field);

// The tables embedded as Qt resources below root.
class QtVersionResource : public IVersionResource {
public:
    explicit QtVersionResource(QString root = QStringLiteral(":/versioninfo"));
    bool HasVersionInfo() const override;
    std::vector<LangCodePage> Translations() const override;
    std::optional<QString> Value(const QString& path) const override;

private:
    QString root_;
};

#ifdef _WIN32
// The VERSIONINFO resource of a file, read once at construction.
class FileVersionResource : public IVersionResource {
public:
    explicit FileVersionResource(const QString& fileName);
    bool HasVersionInfo() const override { return !block_.empty(); }
    std::vector<LangCodePage> Translations() const override;
    std::optional<QString> Value(const QString& path) const override;

private:
    std::vector<unsigned char> block_;
};
#endif

// The version resource of the running program: its file's on Windows, the embedded
// tables elsewhere.
std::unique_ptr<IVersionResource> OwnVersionResource();
