#include "catalogue/AppRecord.h"
#include "catalogue/BundleReading.h"
#include "residuals/ScannerFixture.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Summaries = std::map<std::string, std::string>;

constexpr const char* appItself = "Application|Exact|selected|Selected application";
constexpr const char* sweepName =
    "Application Support|Possible|-|Application name match \u2014 review before removal";
constexpr const char* logMatch = "Logs|Exact|selected|Application executable log match";
constexpr const char* containerMatch = "|Exact|selected|Exact application identifier match";

// What the Library sweep records for an identifier match in the user's (selected) or the system's Library.
std::string swept(const std::string& category, const char* selected = "selected") {
    return category + "|Exact|" + selected + "|Bundle identifier match";
}

class ResidualScannerTest : public testing::ScannerFixture {};

TEST_F(ResidualScannerTest, ProposesTheAppItselfFirstUnlessItIsASystemAppOrGone) {
    const InstalledApp app = notes();
    tree.addFile(at("~/Library/Caches/com.example.notes.db"), std::uint64_t{12});
    const auto items = scan(app);
    ASSERT_EQ(items.size(), 2U);
    EXPECT_EQ(items[0].first, "/Applications/Notes.app");
    EXPECT_EQ(summary(items[0].second), appItself);
    EXPECT_GT(items[0].second.size, 0);
    EXPECT_EQ(items[1].second.size, 12);

    const InstalledApp system =
        install({.fileName = "Notes.app", .bundleID = "com.example.Notes"}, "Notes", true);
    EXPECT_EQ(summaries(system), (Summaries{{"~/Library/Caches/com.example.notes.db", swept("Caches")}}));

    InstalledApp gone = app;
    gone.url = platform.system("/Applications/Gone.app");
    EXPECT_EQ(summaries(gone).count("/Applications/Gone.app"), 0U);
}

TEST_F(ResidualScannerTest, WhatTheScanTakesIsWhatTheBundleSaysNotWhatTheCatalogueKept) {
    const InstalledApp app = notes();
    tree.addFile(at("~/Library/Caches/com.example.notes.db"), std::uint64_t{12});
    tree.addFile(at("~/Library/Preferences/com.victim.mail.plist"), std::uint64_t{12});
    // A reading as a cache entry written by another process could hold it.
    auto forged =
        std::make_shared<BundleReading>(BundleReading::read(app.url, platform.preferredLanguages()));
    forged->name = "Mail";
    forged->bundleID = "com.victim.mail";
    const InstalledApp listed = AppRecord::listed(app.url, false, forged);

    const auto found = summaries(listed);
    EXPECT_EQ(found.count("~/Library/Preferences/com.victim.mail.plist"), 0U);
    EXPECT_EQ(found.count("~/Library/Caches/com.example.notes.db"), 1U);
}

TEST_F(ResidualScannerTest, RecentDocumentListsAndContainersAreLookedUpByIdentifier) {
    const InstalledApp app =
        signedApp("Notes.app", "com.example.Notes", "Notes", {"group.com.example.shared"});
    const std::string recent = "~/Library/Application Support/com.apple.sharedfilelist/"
                               "com.apple.LSSharedFileList.ApplicationRecentDocuments/";
    file(recent + "com.example.notes.sfl2");
    file(recent + "com.example.notes.sfl5");
    folderAt("~/Library/Containers/com.example.notes");
    folderAt("~/Library/Containers/com.example.Notes"); // as declared: a second folder on this volume
    folderAt("~/Library/Group Containers/group.com.example.shared");
    folderAt("~/Library/Application Scripts/com.example.notes");
    file("~/Library/Preferences/group.com.example.shared.plist");

    const auto found = summaries(app);
    EXPECT_EQ(found.at(recent + "com.example.notes.sfl2"),
              "Application Support|Exact|selected|Application-specific recent documents list");
    EXPECT_EQ(found.count(recent + "com.example.notes.sfl5"), 0U);
    for (const char* path :
         {"~/Library/Containers/com.example.notes", "~/Library/Containers/com.example.Notes",
          "~/Library/Group Containers/group.com.example.shared"}) {
        EXPECT_EQ(found.at(path), std::string("Containers") + containerMatch) << path;
    }
    EXPECT_EQ(found.at("~/Library/Application Scripts/com.example.notes"),
              std::string("Application Scripts") + containerMatch);
    EXPECT_EQ(found.at("~/Library/Preferences/group.com.example.shared.plist"), swept("Preferences"));
}

TEST_F(ResidualScannerTest, ContainersTheUserMayNotReadAreSkipped) {
    const InstalledApp app = notes();
    folderAt("~/Library/Containers/com.example.notes/Data");
    folderAt("~/Library/Group Containers/notes");
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(at("~/Library/Containers/com.example.notes"), fs::perms::none);

    const auto seen = testing::runUnprivileged([&] {
        std::string paths;
        for (const auto& [path, item] : scan(app)) {
            paths += path + ";";
        }
        return paths;
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, "/Applications/Notes.app;~/Library/Group Containers/notes;");
}

// Entitlements are the application's own word: nothing in them may name the container folders
// themselves, a place outside them, or make every name with a leading separator an exact match.
TEST_F(ResidualScannerTest, UntrustedEntitlementIdentifiersNameNothingOutsideTheContainers) {
    const InstalledApp app = signedApp("Notes.app", "com.example.Notes", "Notes",
                                       {"", ".", "..", "-", "../Caches", "x/../..", "a/b"});
    folderAt("~/Library/Containers/a/b");
    folderAt("~/Library/Containers/x");
    file("~/Library/Caches/_private");
    file("~/Library/Caches/.lock");
    file("~/Library/Logs/-x.log");
    file("~/Library/Preferences/..plist");

    EXPECT_EQ(summaries(app), (Summaries{{"/Applications/Notes.app", appItself}}));
}

// Preference files are found first, then again by the sweep, whose reason stands.
TEST_F(ResidualScannerTest, SweepMatchesIdentifiersInUserAndSystemLibraryOneLevelDeep) {
    const InstalledApp app = notes();
    folderAt("~/Library/Caches/com.example.Notes/Cache.db");
    file("~/Library/Caches/NOTES");
    file("~/Library/Caches/Notes Data");
    file("~/Library/Caches/Other/com.example.notes");
    folderAt("/Library/Caches/com.example.Notes");
    file("~/Library/Preferences/com.example.Notes.plist");
    file("/Library/Preferences/com.example.Notes.plist");
    file("~/Library/Application Support/CrashReporter/com.example.notes_host.plist");
    file("~/Library/Saved Application State/com.example.notes.savedState");
    file("/Library/PrivilegedHelperTools/com.example.notes.helper");
    file("/Library/Application Support/CrashReporter/notes_host.plist");

    EXPECT_EQ(
        summaries(app),
        (Summaries{
            {"/Applications/Notes.app", appItself},
            {"~/Library/Caches/com.example.Notes", swept("Caches")},
            {"~/Library/Caches/NOTES", swept("Caches")},
            // Not the sweep's, but a name that begins with the app's is proposed for review.
            {"~/Library/Caches/Notes Data",
             "Caches|Possible|-|Name begins with the app's name, Notes \u2014 review before removal"},
            {"/Library/Caches/com.example.Notes", swept("Caches", "-")},
            {"~/Library/Preferences/com.example.Notes.plist", swept("Preferences")},
            {"/Library/Preferences/com.example.Notes.plist", swept("Preferences", "-")},
            {"~/Library/Application Support/CrashReporter/com.example.notes_host.plist",
             swept("Crash Reports")},
            {"~/Library/Saved Application State/com.example.notes.savedState", swept("Saved State")},
            {"/Library/PrivilegedHelperTools/com.example.notes.helper", swept("Services", "-")},
            {"/Library/Application Support/CrashReporter/notes_host.plist", swept("Crash Reports", "-")},
        }));
}

TEST_F(ResidualScannerTest, LogFoldersMatchLogIdentifiersFirstAndOnlyAsLeadingNames) {
    const InstalledApp app =
        install({.fileName = "PhotoEditor.app",
                 .bundleID = "com.example.photoeditor",
                 .helpers = {{.fileName = "Agent.app", .bundleID = "com.example.photoeditor.uploader"}}},
                "Photo Editor");
    file("~/Library/Logs/DiagnosticReports/photoeditor_2024-01-01-120000_host.ips");
    file("~/Library/Logs/Uploader.log");
    file("~/Library/Logs/old-photoeditor.log");
    file("~/Library/Logs/CrashReporter/uploader-2023.crash");
    file("/Library/Logs/DiagnosticReports/uploader_2024.ips");
    file("~/Library/Caches/uploader");

    const auto found = summaries(app);
    EXPECT_EQ(found.at("~/Library/Logs/DiagnosticReports/photoeditor_2024-01-01-120000_host.ips"), logMatch);
    EXPECT_EQ(found.at("~/Library/Logs/Uploader.log"), logMatch);
    EXPECT_EQ(found.at("~/Library/Logs/CrashReporter/uploader-2023.crash"), logMatch);
    EXPECT_EQ(found.at("/Library/Logs/DiagnosticReports/uploader_2024.ips"),
              "Logs|Exact|-|Application executable log match");
    EXPECT_EQ(found.at("~/Library/Logs/old-photoeditor.log"), swept("Logs"));
    EXPECT_EQ(found.count("~/Library/Caches/uploader"), 0U);
}

TEST_F(ResidualScannerTest, NameMatchesNeedFiveCharactersInTheSweepAndSixInTheDeepSearch) {
    folderAt("~/Library/Application Support/N.otes");
    folderAt("~/.config/N.otes");
    folderAt("~/Library/Application Support/M-ail");
    folderAt("~/Library/Application Support/Sound-Box");
    folderAt("~/.config/Sound Box");
    const auto notesFound = summaries(notes()); // name key 'notes': 5 characters
    EXPECT_EQ(notesFound.at("~/Library/Application Support/N.otes"), sweepName);
    EXPECT_EQ(notesFound.count("~/.config/N.otes"), 0U);
    const auto mail = install({.fileName = "Mail.app", .bundleID = "com.example.mailer"}, "Mail");
    EXPECT_EQ(summaries(mail).count("~/Library/Application Support/M-ail"), 0U);

    const InstalledApp soundBox =
        install({.fileName = "SoundBox Pro.app", .bundleID = "com.example.sbx"}, "Sound Box"); // 'soundbox'
    const auto found = summaries(soundBox);
    EXPECT_EQ(found.at("~/Library/Application Support/Sound-Box"), sweepName);
    EXPECT_EQ(found.at("~/.config/Sound Box"),
              "Other|Possible|-|Deep application name match \u2014 review before removal");
}

// Data of another installed application is never this one's: a name that a longer bundle identifier of
// another app also accepts is that app's.
TEST_F(ResidualScannerTest, NamesClaimedByALongerIdentifierOfAnotherInstalledAppAreNotProposed) {
    const InstalledApp chrome =
        install({.fileName = "Google Chrome.app", .bundleID = "com.google.Chrome"}, "Google Chrome");
    const InstalledApp canary =
        install({.fileName = "Google Chrome Canary.app", .bundleID = "com.google.Chrome.canary"},
                "Google Chrome Canary");
    for (const char* path :
         {"~/Library/Caches/com.google.Chrome/Cache.db", "~/Library/Caches/com.google.Chrome.canary/Cache.db",
          "~/Library/Application Support/Google/com.google.Chrome.plist",
          "~/Library/Application Support/Google/com.google.Chrome.canary.plist"}) {
        file(path);
    }
    EXPECT_EQ(summaries(chrome).count("~/Library/Caches/com.google.Chrome.canary"), 1U);
    const auto installed = InstalledIdentities::read({chrome, canary});
    const auto beside = summaries(chrome, installed);
    EXPECT_EQ(beside.count("~/Library/Caches/com.google.Chrome"), 1U);
    EXPECT_EQ(beside.count("~/Library/Caches/com.google.Chrome.canary"), 0U);
    EXPECT_EQ(beside.count("~/Library/Application Support/Google/com.google.Chrome.plist"), 1U);
    EXPECT_EQ(beside.count("~/Library/Application Support/Google/com.google.Chrome.canary.plist"), 0U);
    // The scanned app itself in the catalogue changes nothing.
    EXPECT_EQ(beside, summaries(chrome, installed.without(chrome.url)));

    const InstalledApp weather =
        install({.fileName = "Weather.app", .bundleID = "net.acme.forecast"}, "Weather");
    const InstalledApp systemWeather =
        install({.fileName = "Weather.app", .bundleID = "com.apple.weather"}, "Weather", true);
    file("~/Library/Caches/com.apple.weather");
    file("~/.config/com.apple.weather/weather.json");
    file("~/Library/Caches/weather");
    const auto thirdParty = summaries(weather, InstalledIdentities::read({systemWeather}));
    EXPECT_EQ(thirdParty.count("~/Library/Caches/com.apple.weather"), 0U);
    EXPECT_EQ(thirdParty.count("~/.config/com.apple.weather"), 0U);
    EXPECT_EQ(thirdParty.count("~/.config/com.apple.weather/weather.json"), 0U); // not looked into
    EXPECT_EQ(thirdParty.count("~/Library/Caches/weather"), 1U);
}

TEST_F(ResidualScannerTest, DataSharedThroughAnEntitlementWithAnotherAppIsOnlyPossible) {
    const InstalledApp writer =
        signedApp("Writer.app", "com.quill.writer", "Writer", {"TEAM1.com.quill.suite"});
    const InstalledApp marker =
        signedApp("Marker.app", "com.quill.marker", "Marker", {"TEAM1.com.quill.suite"});
    folderAt("~/Library/Group Containers/TEAM1.com.quill.suite");
    folderAt("~/Library/Caches/team1.com.quill.suite");
    file("~/Library/Preferences/TEAM1.com.quill.suite.plist");
    folderAt("~/Library/Caches/com.quill.writer");

    const auto shared = summaries(writer, InstalledIdentities::read({marker}));
    EXPECT_EQ(shared.at("~/Library/Group Containers/TEAM1.com.quill.suite"),
              "Containers|Possible|-|Exact application identifier match");
    EXPECT_EQ(shared.at("~/Library/Caches/team1.com.quill.suite"),
              "Caches|Possible|-|Bundle identifier match");
    EXPECT_EQ(shared.at("~/Library/Preferences/TEAM1.com.quill.suite.plist"),
              "Preferences|Possible|-|Bundle identifier match");
    EXPECT_EQ(shared.at("~/Library/Caches/com.quill.writer"), swept("Caches"));
}

} // namespace
} // namespace tarnwick
