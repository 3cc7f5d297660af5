#include "demo/TreeBuilder.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"
#include "ui/AppIcons.h"

#include <QImage>
#include <QImageReader>
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

    static QRgb centre(const QIcon& icon) {
        const QImage image = icon.pixmap(64, 64).toImage();
        return image.pixel(image.width() / 2, image.height() / 3);
    }
};

TEST_F(AppIconsTest, DemoBundlesShowTheirOwnDistinctIcons) {
    const fs::path notes =
        builder.addApp(applications, {.fileName = "Notes.app", .bundleID = "com.example.notes"});
    const fs::path paint =
        builder.addApp(applications, {.fileName = "Paint.app", .bundleID = "com.example.paint"});

    const auto file = AppIcons::iconFile(notes);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->filename(), "AppIcon.icns"); // the key names it without its extension
    QImageReader reader(QString::fromStdString(file->string()));
    EXPECT_EQ(reader.format(), "icns");
    EXPECT_EQ(reader.read().size(), QSize(128, 128));

    const QIcon notesIcon = AppIcons::application(notes);
    const QIcon paintIcon = AppIcons::application(paint);
    EXPECT_TRUE(notesIcon.name().isEmpty()) << "not the generic theme icon";
    EXPECT_NE(centre(notesIcon), centre(paintIcon));
    EXPECT_EQ(qAlpha(centre(notesIcon)), 255);
    // A bundle seen as a file gets the same icon.
    EXPECT_EQ(centre(AppIcons::file(notes)), centre(notesIcon));
}

TEST_F(AppIconsTest, BundlesWithoutAUsableIconGetTheGenericOne) {
    const QString generic = AppIcons::genericApplication().name();
    ASSERT_FALSE(generic.isEmpty());

    const fs::path plain = builder.addApp(applications, {.fileName = "Plain.app", .icon = false});
    EXPECT_FALSE(AppIcons::iconFile(plain).has_value());
    EXPECT_EQ(AppIcons::application(plain).name(), generic);

    // The name comes from an untrusted bundle: it may not lead out of the Resources folder.
    builder.addFile(folder / "Secret.icns", TreeBuilder::iconData("secret"));
    const fs::path escaping =
        builder.addApp(applications, {.fileName = "Escape.app",
                                      .extraInfo = {{"CFBundleIconFile", "../../../../Secret.icns"}}});
    EXPECT_FALSE(AppIcons::iconFile(escaping).has_value());
    EXPECT_EQ(AppIcons::application(escaping).name(), generic);

    const fs::path broken = builder.addApp(applications, {.fileName = "Broken.app", .icon = false});
    builder.addFile(broken / "Contents/Info.plist",
                    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIconFile</key>"
                    "<string>Broken.icns</string></dict></plist>");
    builder.addFile(broken / "Contents/Resources/Broken.icns", "icns but not really");
    ASSERT_TRUE(AppIcons::iconFile(broken).has_value());
    EXPECT_EQ(AppIcons::application(broken).name(), generic);

    EXPECT_EQ(AppIcons::application(folder / "Missing.app").name(), generic);
}

TEST_F(AppIconsTest, FilesAndDocumentTypesGetIconsFromTheirType) {
    const fs::path text = builder.addFile(folder / "notes.txt", "hello");
    const fs::path cache = builder.addFolder(folder / "Caches/com.example.notes");
    EXPECT_FALSE(AppIcons::file(text).isNull());
    EXPECT_NE(AppIcons::file(text).name(), AppIcons::file(cache).name());
    EXPECT_EQ(AppIcons::documentType("txt").name(), AppIcons::file(text).name());
    EXPECT_FALSE(AppIcons::documentType("png").isNull());
    EXPECT_FALSE(AppIcons::documentType("no-such-extension").isNull());
    EXPECT_FALSE(AppIcons::documentType("*").isNull());
}

} // namespace
} // namespace tarnwick
