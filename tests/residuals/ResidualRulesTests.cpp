#include "platform/Text.h"
#include "residuals/AppIdentifiers.h"
#include "residuals/MatchedName.h"
#include "residuals/NameMatcher.h"
#include "residuals/OtherApps.h"
#include "residuals/PathCategory.h"
#include "residuals/ResidualOrder.h"
#include "residuals/ScannerFixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using namespace ResidualScanner;

TEST(IdentifierMatchTest, EqualOrJoinedBySeparatorAtEitherEnd) {
    for (const char* name : {"com.example.notes", "com.example.notes.helper", "com.example.notes-backup",
                             "com.example.notes_1", "group.com.example.notes", "old-com.example.notes"}) {
        EXPECT_TRUE(matchesIdentifier(name, "com.example.notes")) << name;
    }
    for (const char* name : {"group.notes", "old-notes", "notes_2", "x_notes"}) {
        EXPECT_TRUE(matchesIdentifier(name, "notes")) << name;
    }
    for (const char* name : {"notesdata", "mynotes", "notes data", "notes+x", "note", "", "-notes-x"}) {
        EXPECT_FALSE(matchesIdentifier(name, "notes")) << name;
    }
    EXPECT_FALSE(matchesIdentifier("_private", ""));

    // Log identifiers only lead a name.
    EXPECT_TRUE(matchesLogIdentifier("notes_2024-01-01-120000_host", "notes"));
    EXPECT_TRUE(matchesLogIdentifier("notes", "notes"));
    EXPECT_FALSE(matchesLogIdentifier("old-notes", "notes"));
    EXPECT_FALSE(matchesLogIdentifier("notesdata", "notes"));

    // Inside developer folders the bundle identifier leads a whole file name, joined only by ".".
    EXPECT_TRUE(matchesBundleIdentifierPrefix("com.example.notes.plist", "com.example.notes"));
    EXPECT_FALSE(matchesBundleIdentifierPrefix("com.example.notes-x", "com.example.notes"));
    EXPECT_FALSE(matchesBundleIdentifierPrefix("", ""));
}

TEST(IdentifierFilterTest, OnlyPlainIdentifiersBecomeFileNames) {
    for (const std::string& identifier :
         std::vector<std::string>{"com.example.Notes", "group.a-b_c", "9lives", std::string(255, 'a')}) {
        EXPECT_TRUE(passesIdentifierFilter(identifier)) << identifier;
    }
    for (const std::string& identifier :
         std::vector<std::string>{"", ".", "..", "a..b", ".hidden", "_x", "-x", "a/b", "../x", "a b", "a\n",
                                  "caf\xC3\xA9", std::string(256, 'a'), std::string("a\0b", 3)}) {
        EXPECT_FALSE(passesIdentifierFilter(identifier)) << identifier;
    }
}

TEST(MatchedNameTest, FilesLoseTheirLastExtensionFoldersNothing) {
    EXPECT_EQ(matchedName("notes.2024.log", false), "notes.2024");
    EXPECT_EQ(matchedName("notes.2024.log", true), "notes.2024.log");
    EXPECT_EQ(matchedName(".notes", false), ".notes");
    EXPECT_EQ(matchedName("notes.", false), "notes.");
}

class IdentifiersTest : public testing::ScannerFixture {};

TEST_F(IdentifiersTest, ExactIdentifiersAreLowercasedAndNeverEmpty) {
    const InstalledApp app = notes();
    EXPECT_EQ(exactIdentifiers(app, {}), (std::set<std::string>{"com.example.notes", "notes"}));

    const InstalledApp soundBox =
        install({.fileName = "SoundBox Pro.app", .bundleID = "com.example.sbx"}, "Sound Box");
    EXPECT_EQ(
        exactIdentifiers(soundBox, {.entitlementIdentifiers = {"", ".", "-", "a/b", "../x", "Group.Shared"}}),
        (std::set<std::string>{"com.example.sbx", "soundbox pro", "group.shared"}));

    const InstalledApp anonymous = testing::installedApp("/Applications/Scratch.app", "Scratch");
    EXPECT_EQ(exactIdentifiers(anonymous, {}), std::set<std::string>{"scratch"});
    const InstalledApp punctuation = testing::installedApp("/Applications/_.app", "_", ".");
    EXPECT_TRUE(exactIdentifiers(punctuation, {}).empty());
}

TEST_F(IdentifiersTest, LogIdentifiersComeFromTheBundleAndHelpersOfTheSameVendor) {
    const InstalledApp editor =
        install({.fileName = "Photo Editor.app",
                 .bundleID = "com.example.PhotoEditor",
                 .helpers = {{.fileName = "Agent.app", .bundleID = "com.example.photoeditor.Uploader"},
                             {.fileName = "Tool.app", .bundleID = "org.other.toolbox"},
                             {.fileName = "Tiny.app", .bundleID = "com.example.up"}}},
                "Photo Editor");
    EXPECT_EQ(applicationLogIdentifiers(editor), (std::set<std::string>{"photoeditor", "uploader"}));

    const InstalledApp shortName = install({.fileName = "App.app", .bundleID = "com.example.app"}, "App");
    EXPECT_TRUE(applicationLogIdentifiers(shortName).empty());
    const InstalledApp noIdentifier = install(
        {.fileName = "Bare.app", .helpers = {{.fileName = "Agent.app", .bundleID = "com.example.uploader"}}},
        "Bare");
    EXPECT_TRUE(applicationLogIdentifiers(noIdentifier).empty());
}

// Whose a name is: a longer identifier of another app, or of a program nested in one, takes it.
TEST_F(IdentifiersTest, ALongerIdentifierOfAnotherAppOrOfAProgramInsideOneClaimsTheName) {
    const InstalledApp chrome =
        install({.fileName = "Google Chrome.app", .bundleID = "com.google.Chrome"}, "Google Chrome");
    const InstalledApp canary =
        install({.fileName = "Chrome Canary.app", .bundleID = "com.google.Chrome.canary"}, "Chrome Canary");
    const InstalledApp google = install({.fileName = "Google.app", .bundleID = "com.google"}, "Google");
    const InstalledApp drive =
        install({.fileName = "Google Drive.app",
                 .bundleID = "com.google.drivefs",
                 .loginItems = {{.fileName = "Agent.app", .bundleID = "com.google.Chrome.agent"}}},
                "Google Drive");
    const auto installed = InstalledIdentities::read({chrome, canary, google, drive});
    const OtherApps others(installed, chrome);
    const NameMatcher matcher({"com.google.chrome", "google chrome"}, "com.google.chrome", others);
    EXPECT_EQ(matcher.identifierMatch("com.google.chrome"), NameOwner::thisApp);
    EXPECT_EQ(matcher.identifierMatch("com.google.chrome.helper"), NameOwner::thisApp);
    EXPECT_EQ(matcher.identifierMatch("com.google.chrome.canary"), NameOwner::otherApp);
    EXPECT_EQ(matcher.identifierMatch("com.google.chrome.agent"), NameOwner::otherApp);
    EXPECT_EQ(matcher.identifierMatch("com.google.chromecast"), NameOwner::none);
    EXPECT_EQ(matcher.bundleIdentifierPrefixMatch("com.google.chrome.plist"), NameOwner::thisApp);
    EXPECT_EQ(matcher.bundleIdentifierPrefixMatch("com.google.chrome.canary.plist"), NameOwner::otherApp);

    // A name that another identifier of the app accepts without a rival is still the app's.
    const InstalledApp notesApp = notes();
    const InstalledApp twin =
        install({.fileName = "Notes Twin.app", .bundleID = "com.example.Notes"}, "Notes Twin");
    const auto withTwin = InstalledIdentities::read({notesApp, twin});
    const OtherApps notesOthers(withTwin, notesApp);
    const NameMatcher both({"notes", "com.example.notes"}, "com.example.notes", notesOthers);
    EXPECT_EQ(both.identifierMatch("com.example.notes"), NameOwner::thisApp);
}

// Every row of the category table decides at least one case for each scanner that uses it, so a row
// lost from either use fails here.
TEST(PathCategoryTest, FirstRowThatHoldsWinsOnThePathTheMacNames) {
    using enum ResidualCategory;
    const Platform mac(Platform::Folders{.home = "/Users/ana"});
    struct Case {
        const char* path;
        ResidualCategory residualScan;
        ResidualCategory orphanScan;
    };
    const Case cases[] = {
        {"/Users/ana/Library/Caches/x/Preferences/a.plist", cache, cache},
        {"/private/var/folders/zz/abc/C/com.example.notes", cache, cache},
        {"/Users/ana/Movies/Logs/notes", userData, userData},
        {"/Users/ana/Music/notes.plist", userData, userData},
        {"/Users/ana/Pictures/notes.plist", userData, userData},
        {"/Users/ana/Library/Logs/DiagnosticReports/notes.ips", crashReports, logs},
        {"/Users/ana/Library/Application Support/CrashReporter/notes/x", crashReports, support},
        {"/Users/ana/Library/Preferences/Containers/notes", preferences, preferences},
        {"/Users/ana/Library/Containers/notes.plist", preferences, preferences},
        {"/Users/ana/.config/notes.PLIST", other, support},
        {"/Users/ana/Library/Application Scripts/notes/Containers/x", applicationScripts, container},
        {"/Users/ana/Library/Containers/notes/Logs/x", container, container},
        {"/Users/ana/Library/Saved Application State/launchagents", state, state},
        {"/Users/ana/Library/LaunchAgents/notes/Logs/x", service, service},
        {"/Library/LaunchDaemons/Logs/notes", service, service},
        {"/Users/ana/.config/logs/webkit", logs, logs},
        {"/Users/ana/Library/WebKit/notes/Application Support/x", web, web},
        {"/Users/ana/Library/HTTPStorages/notes", web, web},
        {"/Users/ana/Library/Application Support/notes", support, support},
        {"/Users/ana/Library/Group Containers/notes", library, support},
        {"/Users/ana/.local/share/notes", other, support},
    };
    // The same paths on a disk mounted below a "Caches", a "Logs" and a "Library" folder: only the path
    // on that disk counts.
    const std::string disk = "/Users/ana/Library/Caches/Logs/disk";
    const Platform mounted(Platform::Folders{.home = disk + "/Users/ana", .systemRoot = disk});
    for (const Case& c : cases) {
        for (const auto& [platform, path] :
             {std::pair{&mac, std::string(c.path)}, std::pair{&mounted, disk + c.path}}) {
            EXPECT_EQ(pathCategory(path, *platform, PathCategoryUse::residualScan), c.residualScan) << path;
            EXPECT_EQ(pathCategory(path, *platform, PathCategoryUse::orphanScan), c.orphanScan) << path;
        }
    }
}

ResidualItem item(const std::string& path, MatchConfidence confidence,
                  ResidualCategory category = ResidualCategory::cache) {
    return ResidualItem{path, 0, category, confidence, "reason", false};
}

std::vector<std::string> paths(const std::vector<ResidualItem>& items) {
    std::vector<std::string> result;
    for (const auto& each : items) {
        result.push_back(each.url.native());
    }
    return result;
}

TEST(RemoveNestedTest, SameOrHigherConfidenceAbsorbsAndHigherInsidePossibleStays) {
    using enum MatchConfidence;
    auto kept = removeNested({
        item("/L/Caches/notes/data.db", exact),
        item("/L/Caches/notes", exact),
        item("/L/Caches/notes/sub/deeper", possible),
        item("/L/Caches/notesdata", exact),
        item("/L/Share/Notes", possible),
        item("/L/Share/Notes/com.example.notes.db", exact),
        item("/L/Share/Notes/Other/Notes", possible),
        item("/L/Share/Notes2/x", possible),
    });
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.url < b.url; });
    EXPECT_EQ(paths(kept),
              (std::vector<std::string>{"/L/Caches/notes", "/L/Caches/notesdata", "/L/Share/Notes",
                                        "/L/Share/Notes/com.example.notes.db", "/L/Share/Notes2/x"}));
}

TEST(FinalOrderTest, CategoryFirstThenPlainPathOrderAfterComposition) {
    std::vector<ResidualItem> items{
        item("/b/other", MatchConfidence::exact, ResidualCategory::other),
        item("/x/alpha", MatchConfidence::exact),
        item("/x/f", MatchConfidence::exact),
        item("/x/e\xCC\x81", MatchConfidence::exact), // 'é' decomposed: after 'f' once composed
        item("/x/Zeta", MatchConfidence::exact),
        item("/z/Notes.app", MatchConfidence::exact, ResidualCategory::application),
        item("/a/prefs", MatchConfidence::possible, ResidualCategory::preferences),
    };
    sortInFinalOrder(items);
    EXPECT_EQ(paths(items), (std::vector<std::string>{"/z/Notes.app", "/x/Zeta", "/x/alpha", "/x/f",
                                                      "/x/e\xCC\x81", "/a/prefs", "/b/other"}));
}

} // namespace
} // namespace tarnwick
