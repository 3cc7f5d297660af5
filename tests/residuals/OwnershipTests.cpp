// Whose a file is: nothing the removal would refuse, nothing of macOS and nothing of another application
// is ever preselected, whatever step found it.
#include "residuals/ScannerFixture.h"

#include <algorithm>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

class OwnershipTest : public ScannerFixture {
protected:
    // The paths the scan preselects, as the Mac names them.
    std::vector<std::string> preselected(const InstalledApp& app,
                                         const InstalledIdentities& others = {}) const {
        std::vector<std::string> paths;
        for (const auto& [path, item] : scan(app, others)) {
            if (item.selected) {
                paths.push_back(path);
            }
        }
        return paths;
    }

    // What macOS and the usual command-line tools keep in the user's Library.
    void layOutTheSystemsFiles() const {
        for (const char* path :
             {"~/Library/Application Support/com.apple.TCC/TCC.db",
              "~/Library/Preferences/com.apple.dock.plist", "~/Library/Preferences/com.apple.HIToolbox.plist",
              "~/Library/Caches/com.apple.bird/cache", "~/Library/Caches/go-build/00/a",
              "~/Library/Caches/com.apple.Safari/Cache.db"}) {
            file(path);
        }
    }
};

TEST_F(OwnershipTest, ThirdPartyAppsWithShortOrAppleLikeNamesTakeNothingOfMacOSOrOtherTools) {
    layOutTheSystemsFiles();
    const InstalledApp apple = install({.fileName = "Widget.app", .bundleID = "com.apple"}, "Widget");
    const InstalledApp bird = install({.fileName = "Bird.app", .bundleID = "com.example.flyer"}, "Bird");
    const InstalledApp go = install({.fileName = "Go.app", .bundleID = "org.golang.go"}, "Go");
    file("~/Library/Caches/bird/own"); // a whole name is still the app's own
    for (const InstalledApp& app : {apple, bird, go}) {
        for (const std::string& path : preselected(app)) {
            EXPECT_TRUE(path == named(app.url) || path == "~/Library/Caches/bird")
                << app.name << ": " << path;
        }
    }
    // Apple's own application still finds its files.
    const InstalledApp safari =
        install({.fileName = "Safari.app", .bundleID = "com.apple.Safari"}, "Safari", false);
    const auto safariFiles = preselected(safari);
    EXPECT_NE(std::find(safariFiles.begin(), safariFiles.end(), "~/Library/Caches/com.apple.Safari"),
              safariFiles.end());
}

TEST_F(OwnershipTest, ALinkedRootOrFindingNeverLeadsIntoTheUsersDocuments) {
    const InstalledApp notesApp = notes();
    file("~/Documents/notes.txt");
    file("~/Documents/com.example.notes/draft.txt");
    file("~/.local/share/notes-data");
    fs::create_directories(at("~/Library/Caches"));
    // A dotfile manager links ~/.config to the home folder.
    fs::create_directory_symlink(platform.home(), at("~/.config"));
    fs::create_directory_symlink(at("~/Documents/com.example.notes"),
                                 at("~/Library/Caches/com.example.notes.link"));
    // The removal would move what lies in Music, but it is the user's work.
    file("~/Music/Notes Recordings/memo.m4a");
    tree.addLink(at("~/Library/Application Support/com.example.notes.recordings"),
                 at("~/Music/Notes Recordings"));

    const auto found = summaries(notesApp);
    for (const auto& [path, item] : found) {
        EXPECT_FALSE(path.starts_with("~/.config/") || path.starts_with("~/Documents/")) << path;
    }
    // A finding that leads into the user's own folders is shown, never preselected.
    EXPECT_EQ(found.at("~/Library/Caches/com.example.notes.link"), "Caches|Exact|-|Bundle identifier match");
    EXPECT_EQ(found.at("~/Library/Application Support/com.example.notes.recordings"),
              "Application Support|Exact|-|Bundle identifier match");
}

TEST_F(OwnershipTest, NamesWrittenDecomposedAreFoundAsComposedOnes) {
    const InstalledApp cafe =
        install({.fileName = "Cafe\u0301 Studio.app", .bundleID = "com.example.cafe"}, "Cafe\u0301 Studio");
    file("~/Library/Application Support/Caf\u00e9 Studio/data");
    file("~/Library/Caches/caf\u00e9 studio");
    file("~/.config/Caf\u00e9 Studio/settings");
    const auto found = summaries(cafe);
    EXPECT_EQ(found.at("~/Library/Application Support/Caf\u00e9 Studio"),
              "Application Support|Exact|selected|Bundle identifier match");
    EXPECT_EQ(found.at("~/Library/Caches/caf\u00e9 studio"), "Caches|Exact|selected|Bundle identifier match");
    EXPECT_TRUE(found.contains("~/.config/Caf\u00e9 Studio"));
}

} // namespace
} // namespace tarnwick::testing
