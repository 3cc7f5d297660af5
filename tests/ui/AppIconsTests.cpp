#include "demo/TreeBuilder.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"
#include "ui/AppIcons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::makeTestPlatform;
using testing::TemporaryFolder;

class AppIconsTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    TreeBuilder builder{makeTestPlatform(folder)};
    fs::path applications = folder / "Applications";
};

TEST_F(AppIconsTest, BundlesShowTheirOwnIconDecodedAtTheSizeDrawn) {
    const fs::path notes =
        builder.addApp(applications, {.fileName = "Notes.app", .bundleID = "com.example.notes"});
    const fs::path paint =
        builder.addApp(applications, {.fileName = "Paint.app", .bundleID = "com.example.paint"});
    ASSERT_EQ(AppIcons::iconFile(notes)->filename(),
              "AppIcon.icns"); // the key names it without its extension
    const QImage small = AppIcons::applicationImage(notes, 38);
    EXPECT_EQ(small.size(), QSize(38, 38));
    EXPECT_EQ(AppIcons::applicationImage(notes, 76).size(), QSize(76, 76));
    EXPECT_NE(small, AppIcons::applicationImage(paint, 38));
    EXPECT_TRUE(AppIcons::isBundle(notes));
}

TEST_F(AppIconsTest, BundlesWithoutAUsableIconHaveNone) {
    const fs::path plain = builder.addApp(applications, {.fileName = "Plain.app", .icon = false});
    // The name comes from an untrusted bundle: it may not lead out of the Resources folder.
    builder.addFile(folder / "Secret.icns", TreeBuilder::iconData("secret"));
    const fs::path escaping =
        builder.addApp(applications, {.fileName = "Escape.app",
                                      .extraInfo = {{"CFBundleIconFile", "../../../../Secret.icns"}}});
    const fs::path broken = builder.addApp(applications, {.fileName = "Broken.app", .icon = false});
    builder.addFile(broken / "Contents/Info.plist",
                    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIconFile</key>"
                    "<string>Broken.icns</string></dict></plist>");
    builder.addFile(broken / "Contents/Resources/Broken.icns", "icns but not really");
    for (const fs::path& bundle : {plain, escaping, broken, folder / "Missing.app"}) {
        EXPECT_TRUE(AppIcons::applicationImage(bundle, 38).isNull()) << bundle;
    }
    EXPECT_FALSE(AppIcons::iconFile(escaping).has_value());
    EXPECT_FALSE(AppIcons::genericApplication().isNull());
}

TEST_F(AppIconsTest, FilesAndDocumentTypesAreNamedByTheirType) {
    const fs::path text = builder.addFile(folder / "notes.txt", "hello");
    const fs::path cache = builder.addFolder(folder / "Caches/com.example.notes");
    EXPECT_NE(AppIcons::fileIconNames(text), AppIcons::fileIconNames(cache));
    EXPECT_EQ(AppIcons::documentTypeIconNames("txt"), AppIcons::fileIconNames(text));
    for (const char* extension : {"png", "no-such-extension", "*"}) {
        EXPECT_FALSE(AppIcons::themed(AppIcons::documentTypeIconNames(extension)).isNull()) << extension;
    }
}

} // namespace
} // namespace tarnwick
