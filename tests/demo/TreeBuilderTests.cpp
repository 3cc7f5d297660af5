#include "catalogue/Bundle.h"
#include "demo/DemoTree.h"
#include "demo/TreeBuilder.h"
#include "platform/Platform.h"
#include "support/TemporaryFolder.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>
#include <set>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

TEST(TreeBuilderTest, BinaryInfoPlistAndUtf16StringsOpenAsABundle) {
    const TemporaryFolder folder;
    const TreeBuilder builder{testing::makeTestPlatform(folder)};
    const fs::path bundle = builder.addApp(
        folder / "Applications", {.fileName = "Notebook.app",
                                  .bundleID = "com.example.Notebook",
                                  .displayName = "Notebook",
                                  .infoFormat = AppSpec::PlistFormat::binary,
                                  .localizedInfo = {{"de", {{"CFBundleDisplayName", "Notizbüch \"📝\""}}}}});
    EXPECT_TRUE(testing::contentsOf(bundle / "Contents/Info.plist").starts_with("bplist00"));
    EXPECT_TRUE(testing::contentsOf(bundle / "Contents/Resources/de.lproj/InfoPlist.strings")
                    .starts_with("\xff\xfe"));

    const auto opened = Bundle::open(bundle, {"de"});
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->identifier(), "com.example.Notebook");
    ASSERT_TRUE(opened->localizedInfoDictionary().has_value());
    EXPECT_EQ(stringValue(*opened->localizedInfoDictionary(), "CFBundleDisplayName"), "Notizbüch \"📝\"");
}

// One demo tree for the whole suite, made by `ensure` next to an interrupted build and an older format.
class DemoTreeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cache = new TemporaryFolder();
        cache->write("Tarnwick/.demo-" + std::to_string(DemoTree::formatVersion) + "-building-999999999/x",
                     "x");
        cache->write("Tarnwick/demo-0/old", "x");
        root = DemoTree::ensure(cache->path());
    }
    static void TearDownTestSuite() {
        delete cache;
        cache = nullptr;
    }

    static inline TemporaryFolder* cache = nullptr;
    static inline fs::path root;
};

TEST_F(DemoTreeTest, EnsureBuildsOnceAndIgnoresInterruptedBuilds) {
    const std::string name = "demo-" + std::to_string(DemoTree::formatVersion);
    EXPECT_EQ(root, cache->path() / "Tarnwick" / name);

    const fs::path marker = cache->write("Tarnwick/" + name + "/marker", "kept");
    EXPECT_EQ(DemoTree::ensure(cache->path()), root);
    EXPECT_TRUE(fs::exists(marker)) << "rebuilt";
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(cache->path() / "Tarnwick")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::set<std::string>{name}) << "the interrupted build and the older tree are left";
}

TEST_F(DemoTreeTest, EveryScannedLibraryFolderHoldsThirdPartyLeftovers) {
    const Platform platform = Platform::rooted(root);
    std::vector<fs::path> scanned{platform.perUserCacheFolder(), platform.temporaryFolder()};
    for (const char* place : {"LaunchDaemons", "PrivilegedHelperTools"}) {
        scanned.push_back(platform.system("/Library") / place);
    }
    for (const char* place :
         {"Application Support", "Caches", "Preferences", "LaunchAgents", "Logs", "Logs/DiagnosticReports",
          "Logs/CrashReporter", "Application Support/CrashReporter"}) {
        scanned.push_back(platform.home() / "Library" / place);
        scanned.push_back(platform.system("/Library") / place);
    }
    for (const char* place :
         {".config", ".local/share", "Library/Saved Application State", "Library/HTTPStorages",
          "Library/WebKit", "Library/Containers", "Library/Group Containers", "Library/Application Scripts",
          "Library/Application Support/com.apple.sharedfilelist/"
          "com.apple.LSSharedFileList.ApplicationRecentDocuments"}) {
        scanned.push_back(platform.home() / place);
    }
    for (const fs::path& location : scanned) {
        bool thirdParty = false;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(location, error)) {
            const std::string name = entry.path().filename().string();
            thirdParty = thirdParty || (!name.starts_with("com.apple.") && !name.starts_with(".") &&
                                        name != "TemporaryItems");
        }
        EXPECT_TRUE(thirdParty) << location;
    }
}

} // namespace
} // namespace tarnwick
