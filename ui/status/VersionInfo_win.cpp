// The file's own version resource on Windows, read with the system's version calls.
#include "VersionInfo.h"

#include <iterator>
#include <windows.h>

FileVersionResource::FileVersionResource(const QString& fileName) {
    const std::wstring name = fileName.toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0)
        return;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(name.c_str(), 0, size, block.data()))
        return;
    block_ = std::move(block);
}

std::vector<LangCodePage> FileVersionResource::Translations() const {
    std::vector<LangCodePage> list;
    if (block_.empty())
        return list;
    void* data = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(const_cast<unsigned char*>(block_.data()), L"\\VarFileInfo\\Translation",
                        &data, &bytes) ||
        data == nullptr)
        return list;
    const WORD* words = static_cast<const WORD*>(data);
    for (UINT i = 0; i + 1 < bytes / sizeof(WORD); i += 2)
        list.push_back({words[i], words[i + 1]});
    return list;
}

std::optional<QString> FileVersionResource::Value(const QString& path) const {
    if (block_.empty())
        return std::nullopt;
    const std::wstring key = path.toStdWString();
    void* data = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(const_cast<unsigned char*>(block_.data()), key.c_str(), &data, &chars) ||
        data == nullptr)
        return std::nullopt;
    // The length counts the terminating zero when there is one.
    QString value = QString::fromWCharArray(static_cast<const wchar_t*>(data), int(chars));
    while (value.endsWith(QChar(0)))
        value.chop(1);
    return value;
}

std::unique_ptr<IVersionResource> OwnVersionResource() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, DWORD(std::size(buffer)));
    return std::make_unique<FileVersionResource>(QString::fromWCharArray(buffer, int(length)));
}
