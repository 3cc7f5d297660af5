#include "Bundle.h"
#include "DemoTree.h"
#include "Location.h"
#include "Platform.h"
#include "TemporaryFolder.h"
#include "Text.h"
#include "TreeBuilder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sys/stat.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t big32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(offset + i));
    }
    return value;
}

Platform platformIn(const fs::path& root) {
    return Platform(Platform::Folders{.home = root / "Users/tester",
                                      .temporary = root / "private/var/folders/ab/xyz/T",
                                      .systemRoot = root,
                                      .layout = FolderLayout::macOS,
                                      .xdgDataHome = {},
                                      .xdgCacheHome = {},
                                      .preferredLanguages = {}});
}

class TreeBuilderTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    TreeBuilder builder{platformIn(folder.path())};
};

TEST_F(TreeBuilderTest, BinaryInfoPlistAndUtf16StringsOpenAsABundle) {
    const fs::path bundle = builder.addApp(
        folder / "Applications", {.fileName = "Notebook.app",
                                  .bundleID = "com.example.Notebook",
                                  .displayName = "Notebook",
                                  .infoFormat = AppSpec::PlistFormat::binary,
                                  .localizedInfo = {{"de", {{"CFBundleDisplayName", "Notizbüch \"📝\""}}}}});
    EXPECT_EQ(bundle, folder / "Applications/Notebook.app");
    EXPECT_TRUE(readAll(bundle / "Contents/Info.plist").starts_with("bplist00"));
    EXPECT_TRUE(readAll(bundle / "Contents/Resources/de.lproj/InfoPlist.strings").starts_with("\xff\xfe"));

    const auto opened = Bundle::open(bundle, {"de"});
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->identifier(), "com.example.Notebook");
    ASSERT_TRUE(opened->localizedInfoDictionary().has_value());
    EXPECT_EQ(stringValue(*opened->localizedInfoDictionary(), "CFBundleDisplayName"), "Notizbüch \"📝\"");
    EXPECT_EQ(stringValue(*opened->infoDictionary(), "CFBundleExecutable"), "Notebook");
}

TEST_F(TreeBuilderTest, BundleHoldsExecutableIconAndNestedApps) {
    const fs::path bundle = builder.addApp(
        folder / "Applications",
        {.fileName = "Tool.APP",
         .bundleID = "com.example.tool",
         .helpers = {{.fileName = "Agent.app", .bundleID = "com.example.tool.agent", .icon = false}},
         .loginItems = {{.fileName = "Launcher.app", .bundleID = "com.example.tool.launcher"}}});

    EXPECT_TRUE(readAll(bundle / "Contents/MacOS/Tool").starts_with("\xcf\xfa\xed\xfe")); // thin 64-bit
    const std::string icns = readAll(bundle / "Contents/Resources/AppIcon.icns");
    ASSERT_GT(icns.size(), 40u);
    EXPECT_EQ(icns.substr(0, 4), "icns");
    EXPECT_EQ(big32(icns, 4), icns.size());
    EXPECT_EQ(icns.substr(8, 4), "ic07");
    EXPECT_EQ(big32(icns, 12), icns.size() - 8);
    EXPECT_EQ(icns.substr(16, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(icns.substr(28, 4), "IHDR");
    EXPECT_EQ(big32(icns, 32), 128u); // width
    EXPECT_EQ(big32(icns, 36), 128u); // height

    const auto agent = Bundle::open(bundle / "Contents/Helpers/Agent.app", {});
    ASSERT_TRUE(agent.has_value());
    EXPECT_EQ(agent->identifier(), "com.example.tool.agent");
    EXPECT_FALSE(fs::exists(bundle / "Contents/Helpers/Agent.app/Contents/Resources/AppIcon.icns"));
    const auto launcher = Bundle::open(bundle / "Contents/Library/LoginItems/Launcher.app", {});
    ASSERT_TRUE(launcher.has_value());
    EXPECT_EQ(launcher->identifier(), "com.example.tool.launcher");
}

TEST_F(TreeBuilderTest, FolderWithoutBundleStructureAndOmittedKeys) {
    const fs::path broken =
        builder.addApp(folder / "Applications", {.fileName = "Broken.app", .writesInfoPlist = false});
    EXPECT_TRUE(fs::is_directory(broken));
    EXPECT_TRUE(fs::is_empty(broken));

    const fs::path anonymous =
        builder.addApp(folder / "Applications", {.fileName = "Anonymous.app", .icon = false});
    const auto opened = Bundle::open(anonymous, {});
    ASSERT_TRUE(opened.has_value());
    EXPECT_FALSE(opened->identifier().has_value());
    EXPECT_FALSE(opened->infoDictionary()->contains("CFBundleIconFile"));
    EXPECT_FALSE(opened->infoDictionary()->contains("CFBundleDisplayName"));

    EXPECT_THROW(builder.addApp(folder.path(), {.fileName = "a/b.app"}), std::invalid_argument);
}

TEST_F(TreeBuilderTest, FilesFoldersAndLinks) {
    const fs::path small =
        builder.addFile(builder.userLibrary("Caches/com.example.a/data"), std::uint64_t{1234});
    EXPECT_EQ(small, folder / "Users/tester/Library/Caches/com.example.a/data");
    EXPECT_EQ(fs::file_size(small), 1234u);

    // Large files are holes past their start: the demo tree's hundreds of megabytes cost little disk.
    const fs::path large = builder.addFile(builder.systemLibrary("Caches/big"), std::uint64_t{300} << 20);
    EXPECT_EQ(large, folder / "Library/Caches/big");
    EXPECT_EQ(fs::file_size(large), std::uint64_t{300} << 20);
    struct stat status {};
    ASSERT_EQ(stat(large.c_str(), &status), 0);
    EXPECT_LT(static_cast<std::uint64_t>(status.st_blocks) * 512, std::uint64_t{4} << 20);

    EXPECT_EQ(readAll(builder.addFile(folder / "a/b/c.txt", std::string_view("hello"))), "hello");
    EXPECT_TRUE(fs::is_directory(builder.addFolder(folder / "x/y/z")));

    const fs::path link = builder.addLink(folder / "links/current", "../a/b/c.txt");
    EXPECT_EQ(fs::read_symlink(link), "../a/b/c.txt");
    EXPECT_EQ(readAll(link), "hello");
    builder.addLink(link, "elsewhere"); // replaces the link
    EXPECT_EQ(fs::read_symlink(link), "elsewhere");
}

TEST_F(TreeBuilderTest, FailuresNameThePath) {
    const fs::path file = folder.write("plain", "x");
    try {
        builder.addFile(file / "below/data", std::uint64_t{10});
        FAIL() << "writing below a file must fail";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
    }
    EXPECT_THROW(builder.addLink(file / "link", "target"), std::runtime_error);
    EXPECT_THROW(builder.addApp(file, {.fileName = "A.app"}), std::runtime_error);
}

TEST(DemoTreeTest, EnsureBuildsOnceAndIgnoresInterruptedBuilds) {
    const TemporaryFolder cache;
    const std::string name = "demo-" + std::to_string(DemoTree::formatVersion);
    // A build that died half-way (its process is gone), and a tree of an older format.
    const fs::path abandoned =
        cache
            .write("Tarnwick/.demo-" + std::to_string(DemoTree::formatVersion) + "-building-999999999/x", "x")
            .parent_path();
    cache.write("Tarnwick/demo-0/old", "x");

    const fs::path root = DemoTree::ensure(cache.path());
    EXPECT_EQ(root, cache / "Tarnwick" / name);
    EXPECT_TRUE(fs::is_directory(root / "Applications/Skylume.app"));
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_FALSE(fs::exists(cache / "Tarnwick/demo-0"));

    const fs::path marker = cache.write("Tarnwick/" + name + "/marker", "kept");
    EXPECT_EQ(DemoTree::ensure(cache.path()), root);
    EXPECT_TRUE(fs::exists(marker)); // not rebuilt
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(cache / "Tarnwick")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::set<std::string>{name});
}

class DemoTreeContentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TemporaryFolder();
        DemoTree::build(folder->path());
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    // The names of the entries directly in `location`.
    static std::vector<std::string> children(const fs::path& location) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(location, error)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    static TemporaryFolder* folder;
};

TemporaryFolder* DemoTreeContentTest::folder = nullptr;

TEST_F(DemoTreeContentTest, RootedPlatformFindsTheDemoUser) {
    const Platform platform = Platform::rooted(folder->path());
    EXPECT_EQ(platform.home(), folder->path() / "Users" / Platform::userName());
    EXPECT_EQ(platform.temporaryFolder().filename(), "T");
    EXPECT_TRUE(fs::is_directory(platform.temporaryFolder()));
    EXPECT_TRUE(fs::is_directory(platform.perUserCacheFolder()));
    EXPECT_TRUE(fs::is_directory(platform.home() / "Applications"));
}

TEST_F(DemoTreeContentTest, AppFoldersHoldAtLeastFifteenBundles) {
    const Platform platform = Platform::rooted(folder->path());
    int bundles = 0;
    int identified = 0;
    for (const fs::path& appFolder : {platform.system("/Applications"), platform.home() / "Applications",
                                      platform.system("/System/Applications")}) {
        for (auto it = fs::recursive_directory_iterator(appFolder); it != fs::recursive_directory_iterator();
             ++it) {
            const std::string name = it->path().filename().string();
            if (Text::lowercased(Location::extension(it->path())) != "app") {
                continue;
            }
            it.disable_recursion_pending();
            if (name.starts_with(".")) {
                continue;
            }
            ++bundles;
            const auto bundle = Bundle::open(it->path(), {});
            identified += bundle && bundle->identifier() ? 1 : 0;
        }
    }
    EXPECT_GE(bundles, 18);
    EXPECT_GE(identified, 15);
}

TEST_F(DemoTreeContentTest, EveryScannedLibraryFolderHoldsLeftovers) {
    const Platform platform = Platform::rooted(folder->path());
    const fs::path library = platform.home() / "Library";
    std::vector<fs::path> scanned;
    for (const char* relative :
         {"Application Support", "Caches", "Preferences", "Saved Application State", "HTTPStorages", "WebKit",
          "Logs", "Logs/DiagnosticReports", "Logs/CrashReporter", "Application Support/CrashReporter",
          "LaunchAgents", "Containers", "Group Containers", "Application Scripts",
          "Application "
          "Support/com.apple.sharedfilelist/com.apple.LSSharedFileList.ApplicationRecentDocuments"}) {
        scanned.push_back(library / relative);
    }
    for (const char* absolute :
         {"/Library/Application Support", "/Library/Caches", "/Library/Preferences", "/Library/LaunchAgents",
          "/Library/LaunchDaemons", "/Library/PrivilegedHelperTools", "/Library/Logs/DiagnosticReports",
          "/Library/Logs/CrashReporter", "/Library/Application Support/CrashReporter", "/Library/Logs"}) {
        scanned.push_back(platform.system(absolute));
    }
    for (const fs::path& deep : {platform.home() / ".config", platform.home() / ".local/share",
                                 platform.perUserCacheFolder(), platform.temporaryFolder()}) {
        scanned.push_back(deep);
    }
    for (const fs::path& location : scanned) {
        const auto names = children(location);
        const bool thirdParty = std::any_of(names.begin(), names.end(), [](const std::string& name) {
            return !name.starts_with("com.apple.") && !name.starts_with(".") && name != "TemporaryItems";
        });
        EXPECT_TRUE(thirdParty) << location;
    }
}

TEST_F(DemoTreeContentTest, OrphansAndSystemEntriesAreThere) {
    const Platform platform = Platform::rooted(folder->path());
    const fs::path library = platform.home() / "Library";
    EXPECT_TRUE(fs::is_regular_file(library / "Preferences/com.wrenfield.mapmaker.plist"));
    EXPECT_TRUE(fs::is_directory(library / "Group Containers/group.com.wrenfield.mapmaker"));
    EXPECT_TRUE(fs::is_regular_file(platform.system("/Library/Preferences/net.glimmerhollow.player.plist")));
    EXPECT_TRUE(fs::is_regular_file(library / "Preferences/com.apple.dock.plist"));
    EXPECT_TRUE(fs::is_symlink(platform.home() / ".config/skylume-current"));
    EXPECT_GT(fs::file_size(library / "Application Support/Brinewave/Samples/Library.bwsamples"),
              100'000'000u);
}

} // namespace
} // namespace tarnwick
