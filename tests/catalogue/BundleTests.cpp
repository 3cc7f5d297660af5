#include "catalogue/Bundle.h"
#include "formats/PropertyList.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Dictionary = PlistValue::Dictionary;

class BundleTests : public ::testing::Test {
protected:
    // An application bundle with the given Info.plist bytes and one InfoPlist.strings per language,
    // each naming the application after its folder.
    std::filesystem::path makeApp(const std::string& infoPlist,
                                  const std::vector<std::string>& languages = {}) {
        const auto app = folder / "Editor.app";
        std::filesystem::remove_all(app);
        folder.write("Editor.app/Contents/Info.plist", infoPlist);
        for (const auto& language : languages) {
            folder.write("Editor.app/Contents/Resources/" + language + ".lproj/InfoPlist.strings",
                         "\"CFBundleDisplayName\" = \"" + language + "\";");
        }
        return app;
    }

    // The language whose table was picked.
    std::optional<std::string> pick(const std::vector<std::string>& preferred,
                                    const std::string& developmentRegion,
                                    const std::vector<std::string>& languages) {
        Dictionary info{{"CFBundleIdentifier", "com.example.editor"}};
        if (!developmentRegion.empty()) {
            info["CFBundleDevelopmentRegion"] = developmentRegion;
        }
        auto bundle = Bundle::open(makeApp(PropertyList::toXml(info), languages), preferred);
        if (!bundle || !bundle->localizedInfoDictionary()) {
            return std::nullopt;
        }
        return stringValue(*bundle->localizedInfoDictionary(), "CFBundleDisplayName");
    }

    testing::TemporaryFolder folder;
};

TEST_F(BundleTests, OpensFoldersAndLinksToFoldersOnly) {
    const auto app = makeApp(PropertyList::toXml(Dictionary{{"CFBundleIdentifier", "com.example.editor"}}));
    std::filesystem::create_directory_symlink(app, folder / "Link.app");
    const auto file = folder.write("Notes.app", "not a folder");
    std::filesystem::create_symlink(file, folder / "FileLink.app");

    ASSERT_TRUE(Bundle::open(app, {}).has_value());
    EXPECT_EQ(Bundle::open(app, {})->location(), app);
    EXPECT_EQ(Bundle::open(folder / "Link.app", {})->identifier(), "com.example.editor");
    EXPECT_FALSE(Bundle::open(file, {}).has_value());
    EXPECT_FALSE(Bundle::open(folder / "FileLink.app", {}).has_value());
    EXPECT_FALSE(Bundle::open(folder / "Missing.app", {}).has_value());
}

TEST_F(BundleTests, ReadsXmlAndBinaryInfoPlists) {
    const Dictionary info{{"CFBundleIdentifier", "com.example.editor"}, {"CFBundleVersion", "12"}};
    for (const auto& bytes : {PropertyList::toXml(info), PropertyList::toBinary(info)}) {
        const auto bundle = Bundle::open(makeApp(bytes), {});
        ASSERT_TRUE(bundle.has_value());
        EXPECT_EQ(bundle->infoDictionary(), info);
        EXPECT_EQ(bundle->identifier(), "com.example.editor");
    }
}

// The bytes of UTF-16 text in either order.
std::string bytes(std::u16string_view text, bool bigEndian) {
    std::string result;
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        result += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return result;
}

TEST_F(BundleTests, ReadsUtf16XmlInfoPlists) {
    const std::u16string xml = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<plist version=\"1.0\"><dict>"
                               u"<key>CFBundleName</key><string>\u00C9diteur</string></dict></plist>";
    for (const auto& file :
         {bytes(u"\uFEFF" + xml, false), bytes(u"\uFEFF" + xml, true), bytes(xml, false), bytes(xml, true)}) {
        const auto bundle = Bundle::open(makeApp(file), {});
        EXPECT_EQ(bundle->infoDictionary(), (Dictionary{{"CFBundleName", "\u00C9diteur"}}));
    }
    // UTF-16 that is no property list is no information.
    EXPECT_FALSE(Bundle::open(makeApp(bytes(u"\uFEFFCFBundleName = x;", false)), {})->infoDictionary());
}

TEST_F(BundleTests, InfoIsAbsentWhenMissingCorruptOrNotADictionary) {
    for (const std::string& bytes : {std::string("<plist><dict><key>CFBundleIdentifier</key>"),
                                     PropertyList::toBinary(PlistValue::Array{"com.example.editor"})}) {
        const auto bundle = Bundle::open(makeApp(bytes, {"en"}), {});
        ASSERT_TRUE(bundle.has_value());
        EXPECT_FALSE(bundle->infoDictionary().has_value());
        EXPECT_FALSE(bundle->identifier().has_value());
        EXPECT_TRUE(bundle->localizedInfoDictionary().has_value());
    }
    std::filesystem::create_directory(folder / "Empty.app");
    const auto empty = Bundle::open(folder / "Empty.app", {"en"});
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(empty->infoDictionary().has_value());
    EXPECT_FALSE(empty->localizedInfoDictionary().has_value());

    const auto numeric =
        Bundle::open(makeApp(PropertyList::toXml(Dictionary{{"CFBundleIdentifier", 7}})), {});
    EXPECT_FALSE(numeric->identifier().has_value());
}

TEST_F(BundleTests, PreferredLanguagesComeFirstInOrder) {
    EXPECT_EQ(pick({"de"}, "en", {"en", "de", "fr"}), "de");
    EXPECT_EQ(pick({"fr", "de"}, "en", {"en", "de", "fr"}), "fr");
    EXPECT_EQ(pick({"it", "de"}, "en", {"en", "de", "fr"}), "de");
}

TEST_F(BundleTests, RegionVariantsFallBackToTheirLanguage) {
    EXPECT_EQ(pick({"de_CH"}, "en", {"en", "de", "de_CH"}), "de_CH");
    EXPECT_EQ(pick({"de_CH"}, "en", {"en", "de", "de-CH"}), "de-CH");
    EXPECT_EQ(pick({"de-CH.UTF-8"}, "en", {"en", "de"}), "de");
    EXPECT_EQ(pick({"zh-Hant-TW"}, "en", {"en", "zh_Hant"}), "zh_Hant");
    EXPECT_EQ(pick({"de"}, "en", {"en", "German"}), "German");
}

TEST_F(BundleTests, ChineseRegionsFindTheFolderOfTheirScriptBeforePlainChinese) {
    EXPECT_EQ(pick({"zh_TW"}, "en", {"en", "zh", "zh-Hans", "zh-Hant"}), "zh-Hant");
    EXPECT_EQ(pick({"zh_HK.UTF-8"}, "en", {"en", "zh", "zh_Hant"}), "zh_Hant");
    EXPECT_EQ(pick({"zh_CN"}, "en", {"en", "zh", "zh-Hant", "zh-Hans"}), "zh-Hans");
    EXPECT_EQ(pick({"zh-SG"}, "en", {"en", "zh-Hant", "zh-Hans"}), "zh-Hans");
    EXPECT_EQ(pick({"zh_TW"}, "en", {"en", "zh-Hant", "zh_TW"}), "zh_TW");
    EXPECT_EQ(pick({"zh_TW"}, "en", {"en", "zh-Hans"}), "en");
}

TEST_F(BundleTests, ThenTheDevelopmentRegionThenEnglishThenBase) {
    EXPECT_EQ(pick({"it"}, "fr", {"en", "fr"}), "fr");
    EXPECT_EQ(pick({"it"}, "fr_CA", {"en", "fr"}), "fr");
    EXPECT_EQ(pick({"it"}, "es", {"en", "English", "Base"}), "en");
    EXPECT_EQ(pick({}, "", {"English", "Base"}), "English");
    EXPECT_EQ(pick({"it"}, "", {"Base", "de"}), "Base");
    EXPECT_EQ(pick({"it"}, "", {"de"}), std::nullopt);
}

TEST_F(BundleTests, SkipsTablesThatDoNotParseAndNamesThatLeaveTheFolder) {
    const auto app = makeApp(PropertyList::toXml(Dictionary{}), {"en"});
    folder.write("Editor.app/Contents/Resources/de.lproj/InfoPlist.strings", "\"CFBundleDisplayName\" = ");
    folder.write("Editor.app/Contents/Resources/Secret/x.lproj/InfoPlist.strings",
                 "\"CFBundleDisplayName\" = \"x\";");
    const auto bundle = Bundle::open(app, {"de", "Secret/x"});
    ASSERT_TRUE(bundle.has_value());
    EXPECT_EQ(bundle->localizedInfoDictionary(), (Dictionary{{"CFBundleDisplayName", "en"}}));
}

} // namespace
} // namespace tarnwick
