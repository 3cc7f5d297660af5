#include "residuals/ScannerFixture.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr const char* deepExact = "|Exact|selected|Deep bundle identifier match";
constexpr const char* deepName = "|Possible|-|Deep application name match \u2014 review before removal";
constexpr const char* developer =
    "|Exact|selected|Application-specific folder inside shared developer support";

class DeepSearchTest : public testing::ScannerFixture {
protected:
    // The findings outside /Applications.
    std::map<std::string, std::string> leftovers(const InstalledApp& app) const {
        auto found = summaries(app);
        std::erase_if(found, [](const auto& entry) { return entry.first.starts_with("/Applications/"); });
        return found;
    }

    std::string perUser(const std::string& name) const {
        return platform.pathOnSystem(platform.temporaryFolder().parent_path() / name).native();
    }
};

TEST_F(DeepSearchTest, EachRootIsSearchedDownToItsDepthLimit) {
    const InstalledApp app = notes();
    folderAt("~/.config/notes/inside");
    file("~/.config/a/b/c/notes");
    file("~/.config/a/b/c/d/notes");
    file("~/.local/share/a/b/c/com.example.notes.db");
    file("~/Library/example/a/b/c/d/notes");
    file("~/Library/example/a/b/c/d/e/notes");
    file("~/.example/a/b/c/d/notes-cache");
    tree.addFile(platform.perUserCacheFolder() / "com.example.notes/blobs/0f3a", "blob");
    tree.addFile(platform.perUserCacheFolder() / "a/b/c/notes", "x");
    tree.addFile(platform.perUserCacheFolder() / "a/b/c/d/notes", "x");
    tree.addFile(platform.temporaryFolder() / "a/b/notes-export", "x");
    tree.addFile(platform.temporaryFolder() / "a/b/c/notes-export", "x");

    const std::string C = perUser("C/");
    const std::string T = perUser("T/");
    EXPECT_EQ(leftovers(app),
              (std::map<std::string, std::string>{
                  {"~/.config/notes", std::string("Other") + deepExact},
                  {"~/.config/a/b/c/notes", std::string("Other") + deepExact},
                  {"~/.local/share/a/b/c/com.example.notes.db", std::string("Other") + deepExact},
                  {"~/Library/example/a/b/c/d/notes", std::string("Library") + deepExact},
                  {"~/.example/a/b/c/d/notes-cache", std::string("Other") + deepExact},
                  {C + "com.example.notes", std::string("Caches") + deepExact},
                  {C + "a/b/c/notes", std::string("Caches") + deepExact},
                  {T + "a/b/notes-export", std::string("Caches") + deepExact},
              }));
}

TEST_F(DeepSearchTest, ExcludedFoldersLinksAndPackageContentsAreNeverLookedInto) {
    const InstalledApp app = notes();
    for (const char* excluded : {"Mobile Documents", "CloudStorage", "Mail", "Messages", "Photos",
                                 "Containers", "Group Containers", "Developer", "Metadata"}) {
        file(std::string("~/.local/share/") + excluded + "/notes");
        file(std::string("~/.config/x/") + excluded + "/notes");
    }
    folderAt("~/.config/notes.Photos");
    file("~/.config/photos/notes");
    file("~/.config/Tools.app/Contents/notes");
    folderAt("~/.config/notes.app/Contents");
    file("~/Elsewhere/notes");
    tree.addLink(at("~/.config/notes-link"), at("~/Elsewhere/notes"));
    tree.addLink(at("~/.config/linked"), at("~/Elsewhere"));

    EXPECT_EQ(leftovers(app), (std::map<std::string, std::string>{
                                  {"~/.config/notes.Photos", std::string("Other") + deepExact},
                                  {"~/.config/photos/notes", std::string("Other") + deepExact},
                                  {"~/.config/notes.app", std::string("Other") + deepExact},
                              }));
}

TEST_F(DeepSearchTest, NameMatchesAreLookedIntoAndWhatIsExactInsideStays) {
    const InstalledApp app = install({.fileName = "Quillpad.app", .bundleID = "com.example.qp"}, "Quill Pad");
    file("~/.local/share/Quill_Pad/com.example.qp.db");
    file("~/.local/share/Quill_Pad/Quill-Pad/more.txt");
    file("~/.local/share/Quill_Pad/peers.json");

    EXPECT_EQ(leftovers(app),
              (std::map<std::string, std::string>{
                  {"~/.local/share/Quill_Pad", std::string("Other") + deepName},
                  {"~/.local/share/Quill_Pad/com.example.qp.db", std::string("Other") + deepExact},
              }));
}

TEST_F(DeepSearchTest, DeveloperFoldersHoldNameMatchesDownToThreeLevels) {
    const InstalledApp app = notes();
    file("~/Library/Application Support/Example/Notes/data.db");
    file("~/Library/Application Support/Example/Shared/x/Notes.txt");
    file("~/Library/Application Support/Example/Shared/a/b/Notes");
    file("~/Library/Application Support/Example/com.example.notes.plist");
    file("~/Library/Application Support/Example/com.example.notes-x.plist");
    file("~/Library/Application Support/Example/.Notes");
    file("~/Library/Application Support/Example/Bundle.framework/Notes");
    tree.addLink(at("~/Library/Application Support/Example/Links/Notes"),
                 at("~/Library/Application Support/Example/Notes"));
    file("~/Library/Example/Notes/state.json"); // a deep root too: the later, developer reason wins

    // "com.example." is every project template's: its folder is searched, never proposed as the developer's.
    EXPECT_EQ(leftovers(app), (std::map<std::string, std::string>{
                                  {"~/Library/Application Support/Example/Notes",
                                   std::string("Application Support") + developer},
                                  {"~/Library/Application Support/Example/Shared/x/Notes.txt",
                                   std::string("Application Support") + developer},
                                  {"~/Library/Application Support/Example/com.example.notes.plist",
                                   std::string("Preferences") + developer},
                                  {"~/Library/Application Support/Example/Bundle.framework/Notes",
                                   std::string("Application Support") + developer},
                                  {"~/Library/Example/Notes", std::string("Library") + developer},
                              }));

    // A vendor token under 4 characters: no developer folders, but the deep roots all the same.
    const InstalledApp shortVendor = install({.fileName = "Notes.app", .bundleID = "com.ab.notes"}, "Notes");
    file("~/Library/Application Support/Ab/Notes/data.db");
    file("~/Library/ab/notes");
    file("~/.ab/notes");
    const auto found = leftovers(shortVendor);
    EXPECT_EQ(found.count("~/Library/Application Support/Ab/Notes"), 0U);
    EXPECT_EQ(found.count("~/Library/ab/notes"), 1U);
    EXPECT_EQ(found.count("~/.ab/notes"), 1U);
}

// The same folder is told by the file system, not by the letter case of its name: reached twice it is
// searched once, and two folders whose names differ only in case are both searched.
TEST_F(DeepSearchTest, AFolderReachedUnderTwoNamesIsSearchedOnce) {
    const InstalledApp app = notes();
    file("~/Library/Application Support/Example/Notes/data.db");
    tree.addLink(at("~/Library/Application Support/example"), "Example");
    file("~/Library/Example/a/notes");
    tree.addLink(at("~/Library/example"), "Example");

    EXPECT_EQ(leftovers(app), (std::map<std::string, std::string>{
                                  {"~/Library/Application Support/example/Notes",
                                   std::string("Application Support") + developer},
                                  {"~/Library/example/a/notes", std::string("Library") + developer},
                              }));

    fs::remove(at("~/Library/Application Support/example"));
    fs::remove(at("~/Library/example"));
    file("~/Library/Application Support/example/Notes/data.db");
    file("~/Library/example/a/notes");
    const auto found = leftovers(app);
    for (const char* path :
         {"~/Library/Application Support/Example/Notes", "~/Library/Application Support/example/Notes",
          "~/Library/Example/a/notes", "~/Library/example/a/notes"}) {
        EXPECT_EQ(found.count(path), 1U) << path;
    }
}

} // namespace
} // namespace tarnwick
