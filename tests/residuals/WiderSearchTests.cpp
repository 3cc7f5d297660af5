// Trees laid out the way well-known Mac apps leave their files: whatever a careful uninstall removes is
// found, and nothing of a sibling app, of macOS or of the user's documents is preselected.
#include "platform/Text.h"
#include "residuals/ScannerFixture.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Summaries = std::map<std::string, std::string>;
using testing::review;

class WiderSearchTest : public testing::ScannerFixture {};

TEST_F(WiderSearchTest, ABrowserLeavesItsDataButNotTheUpdaterItSharesWithASiblingApp) {
    const std::string team = "EQHXZ8M8AV";
    const AppSpec updater{.fileName = "GoogleSoftwareUpdateAgent.app",
                          .bundleID = "com.google.Keystone.Agent",
                          .executableImage = signedBy(team, "com.google.Keystone.Agent")};
    const InstalledApp chrome = install(
        {.fileName = "Google Chrome.app",
         .bundleID = "com.google.Chrome",
         .executableImage = signedBy(team, "com.google.Chrome"),
         .loginItems = {updater},
         // Helpers inside the framework are shared code's business and named after the app anyway.
         .nested = {{"Frameworks/Google Chrome Framework.framework/Versions/120.0/Helpers",
                     {.fileName = "Google Chrome Helper.app", .bundleID = "com.google.Chrome.helper"}}}},
        "Google Chrome");
    const InstalledApp drive = install({.fileName = "Google Drive.app",
                                        .bundleID = "com.google.drivefs",
                                        .executableImage = signedBy(team, "com.google.drivefs"),
                                        .loginItems = {updater}},
                                       "Google Drive");
    lay({
        "~/Library/Application Support/Google/Chrome/Default/History",
        "~/Library/Caches/Google/Chrome/Default/Cache/Cache_Data/data_0",
        "~/Library/Caches/com.google.Chrome/Cache.db",
        "~/Library/Preferences/com.google.Chrome.plist",
        "~/Library/Preferences/ByHost/com.google.Chrome.0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist",
        "~/Library/Saved Application State/com.google.Chrome.savedState/windows.plist",
        "~/Library/HTTPStorages/com.google.Chrome/httpstorages.sqlite",
        "~/Library/Cookies/com.google.Chrome.binarycookies",
        "~/Library/Application Support/CrashReporter/Google "
        "Chrome_0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist",
        "~/Library/Logs/DiagnosticReports/Google Chrome Helper (Renderer)_2024-03-01-101010_Mac.ips",
        "~/Library/Group Containers/EQHXZ8M8AV.com.google.Chrome/",
        // The updater both apps carry, and the sibling's own data.
        "~/Library/LaunchAgents/com.google.keystone.agent.plist",
        "~/Library/Google/GoogleSoftwareUpdate/TicketStore/Keystone.ticketstore",
        "~/Library/Caches/com.google.Keystone/cache.db",
        "~/Library/Application Support/Google/DriveFS/108/metadata_sqlite_db",
        "~/Library/Caches/com.google.drivefs/cache.db",
        "~/Library/Preferences/com.google.drivefs.plist",
        "~/Library/Group Containers/EQHXZ8M8AV.com.google.drivefs/",
        // macOS's and the user's own.
        "~/Library/Cookies/Cookies.binarycookies",
        "~/Library/Cookies/com.apple.Safari.binarycookies",
        "~/Library/Preferences/ByHost/com.apple.screensaver.0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist",
        "~/Documents/Chrome Bookmarks.html",
    });

    const auto beside = scan(chrome, InstalledIdentities::read({chrome, drive}));
    expectFoundAndOnlyThoseSelected(
        {
            {"/Applications/Google Chrome.app", true},
            {"~/Library/Application Support/Google/Chrome", true},
            {"~/Library/Caches/Google/Chrome", true},
            {"~/Library/Caches/com.google.Chrome", true},
            {"~/Library/Preferences/com.google.Chrome.plist", true},
            {"~/Library/Preferences/ByHost/com.google.Chrome.0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist",
             true},
            {"~/Library/Saved Application State/com.google.Chrome.savedState", true},
            {"~/Library/HTTPStorages/com.google.Chrome", true},
            {"~/Library/Cookies/com.google.Chrome.binarycookies", true},
            {"~/Library/Application Support/CrashReporter/"
             "Google Chrome_0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0.plist",
             true},
            {"~/Library/Logs/DiagnosticReports/Google Chrome Helper (Renderer)_2024-03-01-101010_Mac.ips",
             false},
            // The team also signs the sibling: found, for review.
            {"~/Library/Group Containers/EQHXZ8M8AV.com.google.Chrome", false},
            {"~/Library/LaunchAgents/com.google.keystone.agent.plist", false},
        },
        beside);
    const Summaries found = summaries(beside);
    for (const auto& [path, item] : beside) {
        EXPECT_EQ(Text::lowercased(path).find("drive"), std::string::npos) << path;
    }
    EXPECT_EQ(
        found.at("~/Library/LaunchAgents/com.google.keystone.agent.plist"),
        std::string("Services|Possible|-|Login item com.google.Keystone.Agent, also part of Google Drive") +
            review);
    EXPECT_EQ(found.at("~/Library/Group Containers/EQHXZ8M8AV.com.google.Chrome"),
              std::string("Containers|Verified|-|Signed by the same developer team (EQHXZ8M8AV), which also "
                          "signs Google Drive") +
                  review);
    EXPECT_EQ(found.at("~/Library/Cookies/com.google.Chrome.binarycookies"),
              "Web & Network|Exact|selected|Cookies of com.google.chrome");
    EXPECT_EQ(found.at("~/Library/Application Support/Google/Chrome"),
              "Application Support|Exact|selected|Named after the app inside its developer's folder");
    EXPECT_EQ(found.count("~/Library/Application Support/Google"), 0U); // the developer has another app

    // Once the sibling is gone, the updater and the team's container are the browser's alone.
    const auto alone = summaries(chrome, InstalledIdentities::read({chrome}));
    EXPECT_EQ(alone.at("~/Library/LaunchAgents/com.google.keystone.agent.plist"),
              "Services|Exact|selected|Login item com.google.Keystone.Agent");
    EXPECT_EQ(alone.at("~/Library/Group Containers/EQHXZ8M8AV.com.google.Chrome"),
              "Containers|Verified|selected|Signed by the same developer team (EQHXZ8M8AV)");
    EXPECT_EQ(alone.at("~/Library/Application Support/Google"),
              "Application Support|Possible|-|Named after the developer in com.google.Chrome" +
                  std::string(review));
    // The places known by identifier need one that looks like a bundle's: an app called Cookies does not
    // take the cookies every program shares.
    const InstalledApp cookies =
        install({.fileName = "Cookies.app", .bundleID = "com.example.cookiejar"}, "Cookies");
    EXPECT_EQ(summaries(cookies).count("~/Library/Cookies/Cookies.binarycookies"), 0U);
}

TEST_F(WiderSearchTest, ASandboxedAppsTeamAndGroupContainersAndItsExtensionsAreFound) {
    const std::string team = "9K33E3U3T4";
    const AppSpec share{.fileName = "Bear Share Extension.appex",
                        .bundleID = "net.shinyfrog.bear.Bear-Share-Extension",
                        .executableImage = signedBy(team, "net.shinyfrog.bear.Bear-Share-Extension")};
    const InstalledApp bear =
        install({.fileName = "Bear.app",
                 .bundleID = "net.shinyfrog.bear",
                 .executableImage = signedBy(team, "net.shinyfrog.bear", {"9K33E3U3T4.net.shinyfrog.bear"}),
                 .nested = {{"PlugIns", share}}},
                "Bear");
    lay({
        "~/Library/Containers/net.shinyfrog.bear/Data/Library/Preferences/net.shinyfrog.bear.plist",
        "~/Library/Containers/net.shinyfrog.bear.Bear-Share-Extension/Data/Library/Caches/x",
        "~/Library/Group Containers/9K33E3U3T4.net.shinyfrog.bear/Application Data/database.sqlite",
        "~/Library/Group Containers/9K33E3U3T4.net.shinyfrog.bear.widgets/Library/Caches/timeline",
        "~/Library/Group Containers/group.net.shinyfrog.bear.shared/Shared.db",
        "~/Library/Application Scripts/net.shinyfrog.bear.Bear-Share-Extension/",
        "~/Library/Application Scripts/9K33E3U3T4.net.shinyfrog.bear/",
        "~/Library/Containers/net.shinyfrog.bearclipper/",
        // Another developer's, macOS's and the user's own.
        "~/Library/Group Containers/ZQ7Y4X2W1V.net.shinyfrog.bear/",
        "~/Library/Containers/com.apple.Notes/Data/NotesV7.storedata",
        "~/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite",
        "~/Documents/Bear Export/note.md",
    });

    const auto items = scan(bear);
    expectFoundAndOnlyThoseSelected(
        {
            {"/Applications/Bear.app", true},
            {"~/Library/Containers/net.shinyfrog.bear", true},
            {"~/Library/Containers/net.shinyfrog.bear.Bear-Share-Extension", true},
            {"~/Library/Group Containers/9K33E3U3T4.net.shinyfrog.bear", true},
            {"~/Library/Group Containers/9K33E3U3T4.net.shinyfrog.bear.widgets", true},
            {"~/Library/Group Containers/group.net.shinyfrog.bear.shared", true},
            {"~/Library/Application Scripts/net.shinyfrog.bear.Bear-Share-Extension", true},
            {"~/Library/Application Scripts/9K33E3U3T4.net.shinyfrog.bear", true},
            // The developer's other extension, while no other of its applications is installed.
            {"~/Library/Containers/net.shinyfrog.bearclipper", true},
        },
        items);
    EXPECT_EQ(items.size(), 9U);
    const Summaries found = summaries(items);
    EXPECT_EQ(found.at("~/Library/Group Containers/9K33E3U3T4.net.shinyfrog.bear.widgets"),
              "Containers|Verified|selected|Signed by the same developer team (9K33E3U3T4)");
    EXPECT_EQ(found.at("~/Library/Group Containers/group.net.shinyfrog.bear.shared"),
              "Containers|Verified|selected|App group named after net.shinyfrog.bear");
    EXPECT_EQ(found.at("~/Library/Containers/net.shinyfrog.bear.Bear-Share-Extension"),
              "Containers|Exact|selected|App extension net.shinyfrog.bear.Bear-Share-Extension");
    EXPECT_EQ(found.at("~/Library/Containers/net.shinyfrog.bearclipper"),
              "Containers|Verified|selected|Same developer (net.shinyfrog)");

    // Another app of the same team installed: the team no longer tells whose a folder is.
    const InstalledApp panda = install({.fileName = "Panda.app",
                                        .bundleID = "net.shinyfrog.panda",
                                        .executableImage = signedBy(team, "net.shinyfrog.panda")},
                                       "Panda");
    const auto shared = summaries(bear, InstalledIdentities::read({panda}));
    EXPECT_EQ(shared.at("~/Library/Group Containers/9K33E3U3T4.net.shinyfrog.bear.widgets"),
              "Containers|Verified|-|Signed by the same developer team (9K33E3U3T4), which also signs Panda" +
                  std::string(review));
    EXPECT_EQ(shared.at("~/Library/Group Containers/group.net.shinyfrog.bear.shared"),
              "Containers|Verified|-|App group named after net.shinyfrog.bear, which also signs Panda" +
                  std::string(review));
    EXPECT_EQ(shared.at("~/Library/Containers/net.shinyfrog.bearclipper"),
              "Containers|Possible|-|Same developer (net.shinyfrog) as Panda, also installed" +
                  std::string(review));
}

TEST_F(WiderSearchTest, OfASuiteOnlyTheScannedAppsFilesAreTakenAndTheVendorsOnlyOnceItIsAlone) {
    const std::string team = "6LVTQB9699";
    const InstalledApp photo = install({.fileName = "Affinity Photo 2.app",
                                        .bundleID = "com.seriflabs.affinityphoto2",
                                        .executableImage = signedBy(team, "com.seriflabs.affinityphoto2")},
                                       "Affinity Photo 2");
    const InstalledApp designer =
        install({.fileName = "Affinity Designer 2.app",
                 .bundleID = "com.seriflabs.affinitydesigner2",
                 .executableImage = signedBy(team, "com.seriflabs.affinitydesigner2")},
                "Affinity Designer 2");
    lay({
        "~/Library/Application Support/Affinity Photo 2/user/settings.xml",
        "~/Library/Caches/com.seriflabs.affinityphoto2/Cache.db",
        "~/Library/Preferences/com.seriflabs.affinityphoto2.plist",
        "~/Library/Saved Application State/com.seriflabs.affinityphoto2.savedState/windows.plist",
        "~/Library/Logs/Affinity Photo 2 Crash 2024-02-02.log",
        "~/Library/Application Support/Affinity Designer 2/user/settings.xml",
        "~/Library/Caches/com.seriflabs.affinitydesigner2/Cache.db",
        "~/Library/Preferences/com.seriflabs.affinitydesigner2.plist",
        "~/Library/Caches/seriflabs/fonts.cache",
        "~/Library/Group Containers/6LVTQB9699.com.seriflabs/Shared.db",
        "~/Library/Application Support/Affinity Photo 2 Beta/user/settings.xml",
        "~/Pictures/Affinity/Poster.afphoto",
    });
    const std::map<std::string, bool> photosOwn{
        {"/Applications/Affinity Photo 2.app", true},
        {"~/Library/Application Support/Affinity Photo 2", true}, // named like the bundle
        {"~/Library/Caches/com.seriflabs.affinityphoto2", true},
        {"~/Library/Preferences/com.seriflabs.affinityphoto2.plist", true},
        {"~/Library/Saved Application State/com.seriflabs.affinityphoto2.savedState", true},
        {"~/Library/Logs/Affinity Photo 2 Crash 2024-02-02.log", false},
    };

    const InstalledApp beta =
        install({.fileName = "Affinity Photo 2 Beta.app", .bundleID = "com.seriflabs.affinityphoto2.beta"},
                "Affinity Photo 2 Beta");
    const auto suite = scan(photo, InstalledIdentities::read({photo, designer, beta}));
    expectFoundAndOnlyThoseSelected(photosOwn, suite);
    EXPECT_EQ(suite.size(), photosOwn.size());

    // The designer and the beta are uninstalled: the vendor's folders are proposed for review, and what
    // the others left stays theirs.
    const auto alone = summaries(photo, InstalledIdentities::read({photo}));
    EXPECT_EQ(alone.at("~/Library/Caches/seriflabs"),
              "Caches|Possible|-|Named after the developer in com.seriflabs.affinityphoto2" +
                  std::string(review));
    EXPECT_EQ(alone.at("~/Library/Group Containers/6LVTQB9699.com.seriflabs"),
              "Containers|Possible|-|Named after the developer in com.seriflabs.affinityphoto2" +
                  std::string(review));
    EXPECT_EQ(alone.at("~/Library/Application Support/Affinity Photo 2 Beta"),
              "Application Support|Possible|-|Name begins with the app's name, Affinity Photo 2" +
                  std::string(review));
    // What the uninstalled designer left under the developer's identifiers goes with the developer's last
    // app; what it left under its name alone stays.
    EXPECT_EQ(alone.at("~/Library/Caches/com.seriflabs.affinitydesigner2"),
              "Caches|Verified|selected|Same developer (com.seriflabs)");
    EXPECT_EQ(alone.at("~/Library/Preferences/com.seriflabs.affinitydesigner2.plist"),
              "Preferences|Verified|selected|Same developer (com.seriflabs)");
    for (const auto& [path, item] : alone) {
        EXPECT_EQ(path.find("Designer"), std::string::npos) << path;
    }
}

TEST_F(WiderSearchTest, ADeveloperToolsLinksHelperAndReceiptsAreFoundAndOnlyTheLinksAreItsToTake) {
    const InstalledApp docker = install({.fileName = "Docker.app",
                                         .bundleID = "com.docker.docker",
                                         .executableImage = signedBy("9BNSXJN65R", "com.docker.docker"),
                                         .privilegedHelpers = {"com.docker.vmnetd"}},
                                        "Docker");
    const fs::path bin = file("/Applications/Docker.app/Contents/Resources/bin/docker");
    file("/Applications/Docker.app/Contents/Resources/bin/hub-tool");
    lay({
        "~/Library/Containers/com.docker.docker/Data/vms/0/data/Docker.raw",
        "~/Library/Group Containers/group.com.docker/settings.json",
        "~/Library/Caches/com.docker.docker/Cache.db",
        "~/Library/Preferences/com.docker.docker.plist",
        "/Library/PrivilegedHelperTools/com.docker.vmnetd",
        "/Library/LaunchDaemons/com.docker.vmnetd.plist",
        "/private/var/db/receipts/com.docker.docker.pkg.bom",
        "/private/var/db/receipts/com.docker.docker.pkg.plist",
        "/private/var/db/receipts/com.apple.pkg.XProtectPlistConfigData.bom",
        "/opt/homebrew/Cellar/kubernetes-cli/1.29.2/bin/kubectl",
        "/Applications/Visual Studio Code.app/Contents/Resources/app/bin/code",
        "~/.docker/config.json",
    });
    tree.addLink(at("/usr/local/bin/docker"), bin);
    tree.addLink(at("~/.local/bin/hub-tool"),
                 "../../../../Applications/Docker.app/Contents/Resources/bin/hub-tool");
    tree.addLink(at("/opt/homebrew/bin/kubectl"), "../Cellar/kubernetes-cli/1.29.2/bin/kubectl");
    tree.addLink(at("/usr/local/bin/code"),
                 at("/Applications/Visual Studio Code.app/Contents/Resources/app/bin/code"));
    tree.addLink(at("/usr/local/bin/docker-gone"),
                 at("/Applications/Docker Old.app/Contents/Resources/bin/docker"));

    const auto items = scan(docker);
    expectFoundAndOnlyThoseSelected(
        {
            {"/Applications/Docker.app", true},
            {"/usr/local/bin/docker", true},
            {"~/.local/bin/hub-tool", true},
            {"~/Library/Containers/com.docker.docker", true},
            {"~/Library/Group Containers/group.com.docker", true}, // the team's group of "docker"
            {"~/Library/Caches/com.docker.docker", true},
            {"~/Library/Preferences/com.docker.docker.plist", true},
            {"/Library/PrivilegedHelperTools/com.docker.vmnetd", false},
            {"/Library/LaunchDaemons/com.docker.vmnetd.plist", false},
            {"/private/var/db/receipts/com.docker.docker.pkg.bom", false},
            {"/private/var/db/receipts/com.docker.docker.pkg.plist", false},
            // The command-line tools keep their settings in it too.
            {"~/.docker", false},
        },
        items);
    EXPECT_EQ(items.size(), 12U);
    const Summaries found = summaries(items);
    EXPECT_EQ(found.at("/usr/local/bin/docker"),
              "Application|Exact|selected|Command-line link to Contents/Resources/bin/docker in the app");
    EXPECT_EQ(found.at("/Library/LaunchDaemons/com.docker.vmnetd.plist"),
              "Services|Exact|-|Privileged helper com.docker.vmnetd");
    EXPECT_EQ(found.at("~/Library/Group Containers/group.com.docker"),
              "Containers|Verified|selected|App group named after docker");
    EXPECT_EQ(found.at("/private/var/db/receipts/com.docker.docker.pkg.bom"),
              "Application|Exact|-|Installer receipt of com.docker.docker" + std::string(review));
    // The bundle keeps its own size, not a link's.
    EXPECT_EQ(items.front().first, "/Applications/Docker.app");
    EXPECT_GT(items.front().second.size, 0);
}

// Whose a file is: a helper of another installed app, or an app's name, never makes it this one's.
TEST_F(WiderSearchTest, AnotherAppsHelpersAndNamesAreNeverThisAppsToTake) {
    const InstalledApp backup =
        install({.fileName = "Backup.app", .bundleID = "com.vendor.backup"}, "Backup Utility");
    const InstalledApp suite =
        install({.fileName = "Suite.app",
                 .bundleID = "com.vendor.suite",
                 .loginItems = {{.fileName = "Backup Agent.app", .bundleID = "com.vendor.backup.agent"}}},
                "Vendor Suite");
    file("~/Library/Caches/com.vendor.backup.agent/cache.db");
    file("~/Library/Preferences/com.vendor.backup.agent.plist");
    EXPECT_EQ(summaries(backup).at("~/Library/Caches/com.vendor.backup.agent"),
              "Caches|Exact|selected|Bundle identifier match");
    const auto beside = summaries(backup, InstalledIdentities::read({suite}));
    EXPECT_EQ(beside.count("~/Library/Caches/com.vendor.backup.agent"), 0U);
    EXPECT_EQ(beside.count("~/Library/Preferences/com.vendor.backup.agent.plist"), 0U);

    // Two apps of one name cannot tell their folders apart by it.
    const InstalledApp notesApp = notes();
    const InstalledApp otherNotes =
        install({.fileName = "Notes.app", .bundleID = "com.apple.Notes"}, "Notes", true);
    file("~/Library/Application Support/N.otes/x");
    file("~/Library/Application Support/Notes 2/x");
    EXPECT_EQ(summaries(notesApp).count("~/Library/Application Support/N.otes"), 1U);
    EXPECT_EQ(summaries(notesApp).count("~/Library/Application Support/Notes 2"), 1U);
    const auto twins = summaries(notesApp, InstalledIdentities::read({otherNotes}));
    EXPECT_EQ(twins.count("~/Library/Application Support/N.otes"), 0U);
    EXPECT_EQ(twins.count("~/Library/Application Support/Notes 2"), 0U);
}

} // namespace
} // namespace tarnwick
