#include "catalogue/ApplicationMetadata.h"
#include "support/MacDisk.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Array = PlistValue::Array;
using Dictionary = PlistValue::Dictionary;

ApplicationMetadata readAt(const std::filesystem::path& url) {
    InstalledApp app;
    app.url = url;
    return ApplicationMetadata::read(app);
}

class ApplicationMetadataTest : public testing::MacDiskTest {
protected:
    // The metadata of an application whose Info.plist carries `extraInfo`, in either plist format.
    ApplicationMetadata readApp(const Dictionary& extraInfo,
                                AppSpec::PlistFormat format = AppSpec::PlistFormat::xml) {
        const auto url = tree.addApp(platform.system("/Applications"), {.fileName = "Editor.app",
                                                                        .bundleID = "com.example.editor",
                                                                        .extraInfo = extraInfo,
                                                                        .infoFormat = format});
        return readAt(url);
    }
};

TEST_F(ApplicationMetadataTest, OnlyATrueBooleanOrNonZeroNumberHidesTheDockIcon) {
    struct Case {
        const char* name;
        PlistValue value;
        bool showsDockIcon;
    };
    const std::vector<Case> cases{
        {"true", PlistValue(true), false},     {"one", PlistValue(1), false},
        {"real", PlistValue(0.5), false},      {"false", PlistValue(false), true},
        {"zero", PlistValue(0), true},         {"text one", PlistValue("1"), true},
        {"text YES", PlistValue("YES"), true}, {"array", PlistValue(Array{PlistValue(true)}), true},
    };
    for (const auto& format : {AppSpec::PlistFormat::xml, AppSpec::PlistFormat::binary}) {
        for (const auto& key : {"LSUIElement", "LSBackgroundOnly"}) {
            for (const auto& each : cases) {
                EXPECT_EQ(readApp({{key, each.value}}, format).showsDockIcon, each.showsDockIcon)
                    << key << " " << each.name;
            }
        }
    }
    EXPECT_TRUE(readApp({}).showsDockIcon);
    EXPECT_FALSE(readApp({{"LSUIElement", false}, {"LSBackgroundOnly", true}}).showsDockIcon);
}

TEST_F(ApplicationMetadataTest, DocumentTypesKeepUsableNamesAndRealExtensionsInOrder) {
    const Array types{
        Dictionary{{"CFBundleTypeName", "  Plain Text\n"},
                   {"CFBundleTypeExtensions", Array{"txt", "", "text"}}},
        Dictionary{{"CFBundleTypeName", "   "}, {"CFBundleTypeExtensions", Array{"skip"}}},
        Dictionary{{"CFBundleTypeName", "Anything"}, {"CFBundleTypeExtensions", Array{"*"}}},
        PlistValue("not a dictionary"),
        Dictionary{{"CFBundleTypeExtensions", Array{"noname"}}},
        Dictionary{{"CFBundleTypeName", PlistValue(7)}},
        Dictionary{{"CFBundleTypeName", "Plain Text"}, {"CFBundleTypeExtensions", Array{"TXT", "TXT"}}},
        Dictionary{{"CFBundleTypeName", "Mixed"}, {"CFBundleTypeExtensions", Array{"a", PlistValue(3)}}},
        Dictionary{{"CFBundleTypeName", "Loose"}, {"CFBundleTypeExtensions", "txt"}},
    };
    const auto metadata = readApp({{"CFBundleDocumentTypes", types}});

    const std::vector<DocumentType> expected{
        {"Plain Text", {"txt", "text"}},
        {"Anything", {}},
        {"Plain Text", {"TXT", "TXT"}},
        {"Mixed", {}},
        {"Loose", {}},
    };
    EXPECT_EQ(metadata.documentTypes, expected);
    EXPECT_EQ(metadata.documentTypes[0].id(), "Plain Text|txt,text");
    EXPECT_EQ(metadata.documentTypes[2].id(), "Plain Text|TXT,TXT");
    EXPECT_EQ(metadata.documentTypes[1].id(), "Anything|");
    EXPECT_EQ(metadata.documentTypes[0].extensionList(), ".txt, .text");
    EXPECT_EQ(metadata.documentTypes[1].extensionList(), "");
}

TEST_F(ApplicationMetadataTest, MissingOrMalformedInformationReadsAsAPlainApplication) {
    EXPECT_EQ(readApp({{"CFBundleDocumentTypes", "public.text"}}), ApplicationMetadata{});
    EXPECT_EQ(readAt(folder / "Missing.app"), ApplicationMetadata{});

    const auto bare = tree.addApp(folder.path(), {.fileName = "Bare.app", .writesInfoPlist = false});
    EXPECT_EQ(readAt(bare), ApplicationMetadata{});

    folder.write("Broken.app/Contents/Info.plist", "<plist><dict><key>LSUIElement</key><true/>");
    EXPECT_EQ(readAt(folder / "Broken.app"), ApplicationMetadata{});
}

} // namespace
} // namespace tarnwick
