#include "catalogue/Bundle.h"
#include "catalogue/FileUtilities.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::string infoPlist(const std::string& entries) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>)" +
           entries + "</dict></plist>";
}

std::string nameFor(const testing::TemporaryFolder& folder, const std::string& bundleName,
                    const std::string& info, const std::string& localized = {}) {
    const fs::path bundle = folder / bundleName;
    folder.write(bundleName + "/Contents/Info.plist", infoPlist(info));
    if (!localized.empty()) {
        folder.write(bundleName + "/Contents/Resources/en.lproj/InfoPlist.strings", localized);
    }
    const auto opened = Bundle::open(bundle, {"en"});
    EXPECT_TRUE(opened.has_value());
    return FileUtilities::applicationName(opened ? &*opened : nullptr, bundle);
}

TEST(FileSizeTest, CountsRegularFilesOnlyAndNeverFollowsLinks) {
    testing::TemporaryFolder folder;
    folder.write("tree/ten", std::string(10, 'x'));
    folder.write("tree/.hidden", std::string(5, 'x'));
    folder.write("tree/Inner.app/Contents/MacOS/Inner", std::string(100, 'x'));
    folder.write("big", std::string(4096, 'x'));
    fs::create_symlink(folder / "big", folder / "tree/link-to-big");
    fs::create_directory_symlink(folder.path(), folder / "tree/link-to-parent");

    EXPECT_EQ(FileUtilities::fileSize(folder / "tree"), 115);
    EXPECT_EQ(FileUtilities::fileSize(folder / "tree/ten"), 10);
    EXPECT_EQ(FileUtilities::fileSize(folder / "tree/link-to-big"), 0);
    EXPECT_EQ(FileUtilities::fileSize(folder / "missing"), 0);
}

TEST(ApplicationNameTest, TakesTheFirstUsableCandidateInOrder) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(nameFor(folder, "A.app",
                      "<key>CFBundleDisplayName</key><string>Plain</string>"
                      "<key>CFBundleName</key><string>Bundle</string>",
                      "\"CFBundleDisplayName\" = \"Localised\";"),
              "Localised");
    EXPECT_EQ(nameFor(folder, "B.app",
                      "<key>CFBundleDisplayName</key><string>  </string>"
                      "<key>CFBundleName</key><string> Foo\n</string>"),
              "Foo");
    EXPECT_EQ(nameFor(folder, "C.app",
                      "<key>CFBundleDisplayName</key><integer>7</integer>"
                      "<key>CFBundleExecutable</key><string>Runner</string>"),
              "Runner");
    EXPECT_EQ(nameFor(folder, "Fallback Name.app", "<key>CFBundleName</key><array/>"), "Fallback Name");
    // Without a bundle, the file name.
    EXPECT_EQ(FileUtilities::applicationName(nullptr, "/Applications/My App.app"), "My App");
    EXPECT_EQ(FileUtilities::applicationName(nullptr, "/Applications/   .app"), "Unnamed Application");
}

} // namespace
} // namespace tarnwick
