#include "VersionInfo.h"
#include "QStringPrinter.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

class FakeResource : public IVersionResource {
public:
    bool hasInfo = true;
    std::vector<LangCodePage> translations;
    QMap<QString, QString> values;

    bool HasVersionInfo() const override { return hasInfo; }
    std::vector<LangCodePage> Translations() const override { return translations; }
    std::optional<QString> Value(const QString& path) const override {
        auto it = values.find(path);
        if (it == values.end())
            return std::nullopt;
        return *it;
    }
};

const QString kCopyright = QStringLiteral("LegalCopyright");

TEST(VersionInfo, TableNameIsLanguageAndCodePageInUpperCaseHex) {
    struct Case {
        LangCodePage pair;
        const char* name;
    };
    const Case cases[] = {
        {{0x0419, 0x04E3}, "041904E3"},
        {{0x0409, 0x04B0}, "040904B0"},
        {{0x0000, 0x0000}, "00000000"},
        {{0xFFFF, 0xabcd}, "FFFFABCD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StringTableName(c.pair), QString::fromLatin1(c.name));
}

TEST(VersionInfo, NoVersionInformationAtAll) {
    FakeResource resource;
    resource.hasInfo = false;
    resource.translations = {{0x0419, 0x04E3}};
    resource.values[QStringLiteral("\\StringFileInfo\\041904E3\\LegalCopyright")] = "x";
    EXPECT_EQ(ReadVersionField(resource, kCopyright), QStringLiteral("Value Not Available"));
}

TEST(VersionInfo, TableWithoutTheValueGivesEmptyText) {
    FakeResource resource;
    resource.translations = {{0x0419, 0x04E3}};
    resource.values[QStringLiteral("\\StringFileInfo\\041904E3\\CompanyName")] = "Trevant";
    EXPECT_EQ(ReadVersionField(resource, kCopyright), QString());
    EXPECT_EQ(ReadVersionField(resource, QStringLiteral("CompanyName")), QStringLiteral("Trevant"));
}

TEST(VersionInfo, NoTranslationListGivesEmptyText) {
    FakeResource resource;
    resource.values[QStringLiteral("\\StringFileInfo\\041904E3\\LegalCopyright")] = "x";
    EXPECT_EQ(ReadVersionField(resource, kCopyright), QString());
}

TEST(VersionInfo, OnlyTheFirstTranslationCounts) {
    FakeResource resource;
    resource.translations = {{0x0409, 0x04B0}, {0x0419, 0x04E3}};
    resource.values[QStringLiteral("\\StringFileInfo\\040904B0\\LegalCopyright")] = "first";
    resource.values[QStringLiteral("\\StringFileInfo\\041904E3\\LegalCopyright")] = "second";
    EXPECT_EQ(ReadVersionField(resource, kCopyright), QStringLiteral("first"));

    resource.values.remove(QStringLiteral("\\StringFileInfo\\040904B0\\LegalCopyright"));
    EXPECT_EQ(ReadVersionField(resource, kCopyright), QString());
}

TEST(VersionInfo, MissingEmbeddedTablesMeanNoVersionInformation) {
    QtVersionResource resource(QStringLiteral(":/no/such/tables"));
    EXPECT_FALSE(resource.HasVersionInfo());
    EXPECT_EQ(ReadVersionField(resource, kCopyright), QStringLiteral("Value Not Available"));
}

TEST(VersionInfo, ProgramCarriesItsOwnVersionTable) {
    const std::unique_ptr<IVersionResource> own = OwnVersionResource();
    ASSERT_TRUE(own->HasVersionInfo());
    const std::vector<LangCodePage> translations = own->Translations();
    ASSERT_FALSE(translations.empty());
    EXPECT_EQ(translations.front().language, 0x0419);
    EXPECT_EQ(translations.front().codePage, 1251);

    EXPECT_EQ(ReadVersionField(*own, kCopyright), QStringLiteral("Copyright © 2026 Trevant"));
    struct Field {
        const char* name;
        const char* value;
    };
    const Field fields[] = {
        {"CompanyName", "Trevant"},
        {"FileDescription", "Trevant IP Configurator for Quorrel"},
        {"FileVersion", "1.0.1.1"},
        {"ProductVersion", "1.0.1.1"},
        {"ProductName", "Quorrel IP Configurator"},
        {"Comments", ""},
        {"InternalName", ""},
        {"LegalTrademarks", ""},
        {"OriginalFilename", ""},
    };
    for (const Field& f : fields)
        EXPECT_EQ(ReadVersionField(*own, QString::fromLatin1(f.name)), QString::fromUtf8(f.value))
            << f.name;
}

#ifndef _WIN32
// The embedded tables stand in for version.rc and must say the same.
TEST(VersionInfo, EmbeddedTablesMatchTheWindowsResource) {
    QFile rc(QStringLiteral(VERSION_RC_PATH));
    ASSERT_TRUE(rc.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(rc.readAll());
    static const QRegularExpression value(
        QStringLiteral("VALUE\\s+\"(\\w+)\",\\s+\"([^\"]*?)(?:\\\\0)?\""));
    QtVersionResource embedded;
    int compared = 0;
    for (auto it = value.globalMatch(source); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        EXPECT_EQ(embedded.Value(QStringLiteral("\\StringFileInfo\\041904E3\\") + m.captured(1)),
                  std::optional<QString>(m.captured(2)))
            << m.captured(1).toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 10);
    EXPECT_TRUE(source.contains(QStringLiteral("BLOCK \"041904E3\"")));
    EXPECT_TRUE(source.contains(QStringLiteral("\"Translation\", 0x419, 1251")));
}
#endif

} // namespace
