// Trees laid out as apps leave them: the developer's other identifiers, the developer's folders found by
// name, hidden folders in the home, the user's media and crash reports named after the app. Whatever a
// careful uninstall removes is found; nothing of a sibling, of macOS or of the user's own work is
// preselected.
#include "residuals/ScannerFixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace tarnwick {
namespace {

using Summaries = std::map<std::string, std::string>;
using testing::review;

class DeveloperAndNameTest : public testing::ScannerFixture {
protected:
    // The summary of each path of `paths` as `scan` found it, "" for one it did not find.
    static Summaries pick(const Summaries& found, const std::vector<std::string>& paths) {
        Summaries picked;
        for (const std::string& path : paths) {
            picked[path] = found.contains(path) ? found.at(path) : "";
        }
        return picked;
    }

    // Each path of `expected` is found with its summary, or not found where it says "".
    static void expectFound(const Summaries& found, const Summaries& expected) {
        Summaries picked;
        for (const auto& [path, summary] : expected) {
            picked[path] = found.contains(path) ? found.at(path) : "";
        }
        EXPECT_EQ(picked, expected);
    }
};

TEST_F(DeveloperAndNameTest, ASuitesOtherIdentifiersAreReviewedWhileASiblingIsInstalledAndTakenOnceItIsGone) {
    const std::string team = "UBF8T346G9";
    const InstalledApp word = install({.fileName = "Microsoft Word.app",
                                       .bundleID = "com.microsoft.Word",
                                       .executableImage = signedBy(team, "com.microsoft.Word")},
                                      "Microsoft Word");
    const InstalledApp excel = install({.fileName = "Microsoft Excel.app",
                                        .bundleID = "com.microsoft.Excel",
                                        .executableImage = signedBy(team, "com.microsoft.Excel")},
                                       "Microsoft Excel");
    lay({
        "~/Library/Containers/com.microsoft.Word/Data/Library/Preferences/com.microsoft.Word.plist",
        "~/Library/Caches/com.microsoft.Word/Cache.db",
        "~/Library/Preferences/com.microsoft.Word.plist",
        "~/Library/Application Scripts/com.microsoft.Word/",
        // The suite's: its updater, its error reporter, its licence, an uninstalled sibling's container.
        "~/Library/Containers/com.microsoft.errorreporting/Data/x",
        "~/Library/Containers/com.microsoft.Powerpoint/Data/x",
        "~/Library/Preferences/com.microsoft.office.plist",
        "~/Library/Preferences/com.microsoft.autoupdate2.plist",
        "~/Library/Preferences/ByHost/com.microsoft.office.0F1E2D3C.plist",
        "~/Library/Cookies/com.microsoft.autoupdate2.binarycookies",
        "/Library/LaunchAgents/com.microsoft.update.agent.plist",
        "/Library/PrivilegedHelperTools/com.microsoft.autoupdate.helper",
        "/private/var/db/receipts/com.microsoft.package.Microsoft_AutoUpdate.app.bom",
        "~/Library/Application Support/Microsoft/Office/cache.db",
        // The installed sibling's, another developer's, macOS's and the user's own.
        "~/Library/Containers/com.microsoft.Excel/Data/x",
        "~/Library/Preferences/com.microsoftedge.updater.plist",
        "~/Library/Preferences/com.apple.dock.plist",
        "~/Documents/Report.docx",
    });
    const std::string asExcel =
        "Same developer (com.microsoft) as Microsoft Excel, also installed" + std::string(review);

    const auto beside = scan(word, InstalledIdentities::read({word, excel}));
    expectFoundAndOnlyThoseSelected(
        {
            {"/Applications/Microsoft Word.app", true},
            {"~/Library/Containers/com.microsoft.Word", true},
            {"~/Library/Caches/com.microsoft.Word", true},
            {"~/Library/Preferences/com.microsoft.Word.plist", true},
            {"~/Library/Application Scripts/com.microsoft.Word", true},
            {"~/Library/Preferences/com.microsoft.autoupdate2.plist", false},
            {"/Library/PrivilegedHelperTools/com.microsoft.autoupdate.helper", false},
        },
        beside);
    const Summaries found = summaries(beside);
    expectFound(
        found,
        (Summaries{
            {"~/Library/Containers/com.microsoft.errorreporting", "Containers|Possible|-|" + asExcel},
            {"~/Library/Containers/com.microsoft.Powerpoint", "Containers|Possible|-|" + asExcel},
            {"~/Library/Preferences/com.microsoft.office.plist", "Preferences|Possible|-|" + asExcel},
            {"~/Library/Preferences/ByHost/com.microsoft.office.0F1E2D3C.plist",
             "Preferences|Possible|-|Preferences for this Mac of the same developer (com.microsoft) as "
             "Microsoft Excel, also installed" +
                 std::string(review)},
            {"~/Library/Cookies/com.microsoft.autoupdate2.binarycookies",
             "Web & Network|Possible|-|Cookies of the same developer (com.microsoft) as Microsoft Excel, "
             "also installed" +
                 std::string(review)},
            {"/Library/LaunchAgents/com.microsoft.update.agent.plist", "Services|Possible|-|" + asExcel},
            {"/private/var/db/receipts/com.microsoft.package.Microsoft_AutoUpdate.app.bom",
             "Application|Possible|-|Installer receipt of the same developer (com.microsoft) as Microsoft "
             "Excel, also installed" +
                 std::string(review)},
            {"~/Library/Containers/com.microsoft.Excel", ""}, // the sibling's own
            {"~/Library/Application Support/Microsoft", ""},  // the developer's, and the sibling's
        }));
    for (const auto& [path, summary] : found) {
        EXPECT_EQ(path.find("microsoftedge"), std::string::npos) << path;
        EXPECT_EQ(path.find("com.apple"), std::string::npos) << path;
    }

    // The sibling gone, what the developer left is the last app's: preselected in the user's Library.
    const auto alone = summaries(word, InstalledIdentities::read({word}));
    const std::string same = "Same developer (com.microsoft)";
    expectFound(
        alone,
        (Summaries{
            {"~/Library/Containers/com.microsoft.errorreporting", "Containers|Verified|selected|" + same},
            {"~/Library/Containers/com.microsoft.Powerpoint", "Containers|Verified|selected|" + same},
            {"~/Library/Preferences/com.microsoft.office.plist", "Preferences|Verified|selected|" + same},
            {"~/Library/Preferences/ByHost/com.microsoft.office.0F1E2D3C.plist",
             "Preferences|Verified|selected|Preferences for this Mac of the same developer (com.microsoft)"},
            {"~/Library/Cookies/com.microsoft.autoupdate2.binarycookies",
             "Web & Network|Verified|selected|Cookies of the same developer (com.microsoft)"},
            {"/Library/LaunchAgents/com.microsoft.update.agent.plist", "Services|Verified|-|" + same},
            {"/private/var/db/receipts/com.microsoft.package.Microsoft_AutoUpdate.app.bom",
             "Application|Verified|-|Installer receipt of the same developer (com.microsoft)" +
                 std::string(review)},
            {"~/Library/Containers/com.microsoft.Excel", "Containers|Verified|selected|" + same},
            {"~/Library/Application Support/Microsoft",
             "Application Support|Possible|-|Named after the developer in com.microsoft.Word" +
                 std::string(review)},
        }));
    EXPECT_FALSE(alone.contains("~/Library/Preferences/com.microsoftedge.updater.plist"));
    EXPECT_FALSE(alone.contains("~/Library/Preferences/com.apple.dock.plist"));
}

TEST_F(DeveloperAndNameTest, ANamespaceManyDevelopersShareIsNeverTheDevelopersOwn) {
    const InstalledApp desktop =
        install({.fileName = "GitHub Desktop.app", .bundleID = "com.github.GitHubClient"}, "GitHub Desktop");
    lay({
        "~/Library/Caches/com.github.GitHubClient/Cache.db",
        "~/Library/Caches/com.github.GitHubClient.ShipIt/update.json",
        "~/Library/Preferences/com.github.Electron.plist", // every Electron app that kept the default
        "~/Library/Application Support/GitHub/x",
    });
    const auto found = summaries(desktop);
    EXPECT_EQ(found.at("~/Library/Caches/com.github.GitHubClient.ShipIt"),
              "Caches|Exact|selected|Bundle identifier match");
    EXPECT_EQ(found.at("~/Library/Preferences/com.github.Electron.plist"),
              "Preferences|Possible|-|Same namespace (com.github), lent by GitHub to every project it hosts" +
                  std::string(review));
    EXPECT_FALSE(found.contains("~/Library/Application Support/GitHub"));
}

TEST_F(DeveloperAndNameTest, AFourLetterAppsNameCountsAsAWholeComponentOnlyInItsDevelopersNamespace) {
    const InstalledApp dash = install({.fileName = "Dash.app", .bundleID = "com.kapeli.dashdoc"}, "Dash");
    const InstalledApp other =
        install({.fileName = "Docset Maker.app", .bundleID = "com.kapeli.docsetmaker"}, "Docset Maker");
    lay({
        "~/Library/Application Support/Dash/library.dash",
        "~/Library/Preferences/com.kapeli.dashdoc.plist",
        "~/Library/Caches/com.kapeli.dash/Cache.db",
        "~/Library/Application Support/com.kapeli.dash.helper/state",
        "~/Library/LaunchAgents/com.kapeli.dash.updater.plist",
        "~/Library/Preferences/com.kapeli.sharedsettings.plist",
        // Not Dash's: joined to other words, another developer's, another namespace, Apple's.
        "~/Library/Caches/dash-build/x",
        "~/Library/Caches/com.kapeli.dashboard/x",
        "~/Library/Caches/org.dash.wallet/x",
        "~/Library/Preferences/com.apple.dashboard.plist",
    });
    const auto found = summaries(dash, InstalledIdentities::read({dash, other}));
    const std::string exact = "|Exact|selected|Bundle identifier match";
    expectFound(found,
                (Summaries{
                    {"~/Library/Application Support/Dash", "Application Support" + exact},
                    {"~/Library/Caches/com.kapeli.dash", "Caches" + exact},
                    {"~/Library/Application Support/com.kapeli.dash.helper", "Application Support" + exact},
                    {"~/Library/LaunchAgents/com.kapeli.dash.updater.plist", "Services" + exact},
                    // The developer's, but of which of its apps nobody can tell.
                    {"~/Library/Preferences/com.kapeli.sharedsettings.plist",
                     "Preferences|Possible|-|Same developer (com.kapeli) as Docset Maker, also installed" +
                         std::string(review)},
                    {"~/Library/Caches/dash-build", ""},
                    {"~/Library/Caches/com.kapeli.dashboard",
                     "Caches|Possible|-|Same developer (com.kapeli) as Docset Maker, also installed" +
                         std::string(review)},
                    {"~/Library/Caches/org.dash.wallet", ""},
                    {"~/Library/Preferences/com.apple.dashboard.plist", ""},
                }));
}

TEST_F(DeveloperAndNameTest,
       AFolderNamedLikeTheFirstWordOfASuitesNameIsItsDevelopersOnlyWhileNoSiblingSharesIt) {
    const InstalledApp photo = install(
        {.fileName = "Affinity Photo 2.app", .bundleID = "com.seriflabs.affinityphoto2"}, "Affinity Photo 2");
    lay({
        "~/Library/Application Support/Affinity/Photo 2/fonts.cache",
        "~/Library/Application Support/Affinity/Photo 3/fonts.cache", // the next major version's
        "~/Library/Application Support/Affinity/Designer 2/fonts.cache",
        "~/Library/Caches/Serif Labs/Photo 2 Beta/x", // no developer folder: the vendor is "seriflabs"
    });
    const std::string inside = " inside its developer's folder";
    const auto alone = summaries(photo);
    expectFound(
        alone,
        (Summaries{
            {"~/Library/Application Support/Affinity",
             "Application Support|Possible|-|Named after the first word of the app's name, Affinity Photo 2" +
                 std::string(review)},
            {"~/Library/Application Support/Affinity/Photo 2",
             "Application Support|Exact|selected|Named after the app" + inside},
            {"~/Library/Application Support/Affinity/Photo 3", ""},
            {"~/Library/Application Support/Affinity/Designer 2", ""},
            {"~/Library/Caches/Serif Labs",
             "Caches|Possible|-|Named after the developer in com.seriflabs.affinityphoto2" +
                 std::string(review)},
        }));

    // A sibling whose name begins with the same word: the folder is no longer this app's developer's alone.
    const InstalledApp designer = install(
        {.fileName = "Affinity Designer 2.app", .bundleID = "com.other.designer"}, "Affinity Designer 2");
    const auto beside = summaries(photo, InstalledIdentities::read({designer}));
    EXPECT_FALSE(beside.contains("~/Library/Application Support/Affinity"));
    EXPECT_FALSE(beside.contains("~/Library/Application Support/Affinity/Photo 2"));
}

TEST_F(DeveloperAndNameTest, InsideADevelopersFolderAnotherInstalledAppsNameIsNeverThisOnes) {
    const InstalledApp motion =
        install({.fileName = "Motion.app", .bundleID = "com.pixelworks.motion"}, "Motion");
    const InstalledApp motionTwo =
        install({.fileName = "Motion 2.app", .bundleID = "org.other.motiontwo"}, "Motion 2");
    const InstalledApp tools =
        install({.fileName = "Tools.app", .bundleID = "com.pixelworks.tools"}, "Tools");
    lay({"~/Library/Caches/Pixelworks/Motion 3/x", "~/Library/Caches/Pixelworks/Motion 2/x"});
    const auto found = summaries(motion, InstalledIdentities::read({motionTwo, tools}));
    expectFound(found,
                (Summaries{
                    {"~/Library/Caches/Pixelworks/Motion 3",
                     "Caches|Possible|-|Named after the app and a version inside its developer's folder" +
                         std::string(review)},
                    {"~/Library/Caches/Pixelworks/Motion 2", ""},
                }));
}

TEST_F(DeveloperAndNameTest, CrashReportsAreTheirAppsByNameAndDateAndNeverAnotherAppsWhoseNameItBegins) {
    const InstalledApp motion =
        install({.fileName = "Motion 5.app", .bundleID = "com.vendor.motion5"}, "Motion");
    const InstalledApp studio =
        install({.fileName = "MotionStudio.app", .bundleID = "com.other.mstudio"}, "Motion Studio");
    const std::vector<std::string> reports{
        "~/Library/Logs/DiagnosticReports/Motion_2024-03-01-101010_Mac.ips",
        "~/Library/Logs/DiagnosticReports/Motion-2024-03-03-090000.ips",
        "~/Library/Logs/CrashReporter/Motion_2023-11-30-220145_Mac.crash",
        "~/Library/Application Support/CrashReporter/Motion_2023-02-27-101010_Mac.plist",
        "/Library/Logs/DiagnosticReports/Motion-2024-01-05-093000.ips",
        "~/Library/Logs/DiagnosticReports/Motion Studio_2024-03-02-111111_Mac.ips",
        "~/Library/Logs/DiagnosticReports/Motion Studio-2024-03-04-121212.ips",
        "~/Library/Application Support/CrashReporter/Motion_4F3A9C1E-7B2D-4E11-9A8C-2D5F6B7C8E90.plist",
        "~/Library/Logs/DiagnosticReports/MotionHelper_2024-03-01-101010_Mac.ips",
        "~/Library/Logs/DiagnosticReports/Motion.2024-03-01-101010.ips",
    };
    lay(reports);
    const InstalledIdentities both = InstalledIdentities::read({motion, studio});
    const std::string byName = "|Exact|selected|Crash report named after the app";
    EXPECT_EQ(pick(summaries(motion, both), reports),
              (Summaries{
                  {reports[0], "Logs" + byName},
                  {reports[1], "Logs" + byName},
                  {reports[2], "Logs" + byName},
                  {reports[3], "Crash Reports" + byName},
                  {reports[4], "Logs|Exact|-|Crash report named after the app"},
                  {reports[5], ""},
                  {reports[6], ""},
                  // The host's record: no date, named like the app all the same.
                  {reports[7],
                   "Crash Reports|Possible|-|Name begins with the app's name, Motion" + std::string(review)},
                  {reports[8], ""},
                  {reports[9], ""},
              }));
    const auto studios = summaries(studio, both);
    for (std::size_t index = 0; index < reports.size(); ++index) {
        EXPECT_EQ(studios.contains(reports[index]), index == 5 || index == 6) << reports[index];
    }

    // Another installed app called so too: its reports cannot be told apart.
    const InstalledApp apple =
        install({.fileName = "Motion.app", .bundleID = "com.apple.motionapp"}, "Motion");
    EXPECT_EQ(summaries(motion, InstalledIdentities::read({motion, studio, apple})).at(reports[0]),
              "Logs|Possible|-|Crash report named after the app, a name Motion has too" +
                  std::string(review));
}

TEST_F(DeveloperAndNameTest, ADeveloperToolsHiddenFolderIsProposedWholeAndNeverPreselected) {
    const InstalledApp studio = install(
        {.fileName = "Android Studio.app", .bundleID = "com.google.android.studio"}, "Android Studio");
    const InstalledApp chrome =
        install({.fileName = "Google Chrome.app", .bundleID = "com.google.Chrome"}, "Google Chrome");
    lay({
        "~/.android/adbkey",
        "~/.android/avd/Pixel_7.avd/config.ini",
        "~/.gradle/caches/modules-2/x",
        "~/.config/x",
        "~/Library/Application Support/Google/AndroidStudio2023.1/options/other.xml",
        "~/Library/Caches/Google/AndroidStudio2023.1/index/x",
        "~/Library/Logs/Google/AndroidStudio2023.1/idea.log",
        "~/Library/Application Support/Google/Chrome/Default/History",
        "~/Library/Preferences/com.google.android.studio.plist",
    });
    folderAt("~/.androidstudio-link-target");
    tree.addLink(at("~/.Android-Studio"), at("~/.androidstudio-link-target"));

    const auto found = summaries(studio, InstalledIdentities::read({studio, chrome}));
    const std::string versioned =
        "|Possible|-|Named after the app and a version inside its developer's folder" + std::string(review);
    expectFound(
        found,
        (Summaries{
            {"~/.android", "Other|Possible|-|Hidden folder named after the first word of the app's name; "
                           "command-line tools may keep theirs in it too" +
                               std::string(review)},
            {"~/.gradle", ""},
            {"~/.config", ""},
            {"~/.Android-Studio", ""}, // a link is never proposed
            {"~/Library/Application Support/Google/AndroidStudio2023.1", "Application Support" + versioned},
            {"~/Library/Caches/Google/AndroidStudio2023.1", "Caches" + versioned},
            {"~/Library/Logs/Google/AndroidStudio2023.1", "Logs" + versioned},
            {"~/Library/Application Support/Google/Chrome", ""},
        }));
    for (const auto& [path, summary] : found) {
        EXPECT_FALSE(path.starts_with("~/.android/")) << path;
    }

    // Another installed app whose name begins with the same word: the folder could be either's.
    const InstalledApp transfer =
        install({.fileName = "Android File Transfer.app", .bundleID = "com.google.android.mtpviewer"},
                "Android File Transfer");
    EXPECT_FALSE(summaries(studio, InstalledIdentities::read({chrome, transfer})).contains("~/.android"));

    // Hidden folders every program shares are no app's, whatever it is called.
    const InstalledApp local =
        install({.fileName = "Local.app", .bundleID = "com.getflywheel.lightning"}, "Local");
    lay({"~/.local/share/x", "~/.Local Sites/site/app"});
    expectFound(summaries(local), {{"~/.local", ""}, {"~/.Local Sites", ""}});
}

TEST_F(DeveloperAndNameTest, AMusicAppsDeveloperFoldersAreSearchedAndItsFoldersInTheUsersMusicOnlyProposed) {
    const InstalledApp live = install(
        {.fileName = "Ableton Live 11 Suite.app", .bundleID = "com.ableton.live", .executable = "Live"},
        "Ableton Live 11 Suite");
    lay({
        "~/Library/Preferences/com.ableton.live.plist",
        "~/Library/Preferences/Ableton/Live 11.3.4/Preferences.cfg",
        "~/Library/Application Support/Ableton/Live 11 Suite/Database/files.db",
        "~/Library/Application Support/Ableton/Live Reports/Usage/x",
        "~/Library/Application Support/Ableton/Note/x",
        "~/Library/Caches/AbletonSoftware/Live/index",
        "~/Library/Application Support/CrashReporter/Live_2023-02-27-101010_Studio.plist",
        "~/Music/Ableton/User Library/Presets/Bass.adv",
        "~/Music/Logic/Project.logicx",
        "~/Movies/Ableton Live 11 Suite/Tutorial.mov",
    });
    const std::vector<std::string> paths{
        "~/Library/Preferences/Ableton",
        "~/Library/Preferences/Ableton/Live 11.3.4",
        "~/Library/Application Support/Ableton",
        "~/Library/Application Support/Ableton/Live 11 Suite",
        "~/Library/Application Support/Ableton/Live Reports",
        "~/Library/Caches/AbletonSoftware/Live",
        "~/Library/Application Support/CrashReporter/Live_2023-02-27-101010_Studio.plist",
        "~/Music/Ableton",
        "~/Music/Logic",
        "~/Movies/Ableton Live 11 Suite",
    };
    const std::string inside = " inside its developer's folder";
    const std::string developer =
        "|Possible|-|Named after the developer in com.ableton.live" + std::string(review);
    const std::string userWork = " folder: your own work may be inside" + std::string(review);

    // The developer's only app: its folders are proposed whole, what is surely the app's beside them.
    const auto alone = summaries(live);
    EXPECT_EQ(pick(alone, paths),
              (Summaries{
                  {paths[0], "Preferences" + developer},
                  {paths[1], ""}, // in the folder proposed whole
                  {paths[2], "Application Support" + developer},
                  {paths[3], "Application Support|Exact|selected|Named after the app" + inside},
                  {paths[4], ""},
                  {paths[5], ""},
                  {paths[6], "Crash Reports|Exact|selected|Crash report named after the app's executable"},
                  {paths[7], "User Data|Possible|-|Named after the developer, in your Music" + userWork},
                  {paths[8], ""},
                  {paths[9], "User Data|Possible|-|Named after the app, in your Movies" + userWork},
              }));
    EXPECT_EQ(alone.at("~/Library/Caches/AbletonSoftware"), "Caches" + developer);

    // Another app of the developer installed: its folders are shared, what is named after this app is not.
    const InstalledApp note = install({.fileName = "Note.app", .bundleID = "com.ableton.note"}, "Note");
    const auto beside = summaries(live, InstalledIdentities::read({note}));
    EXPECT_EQ(pick(beside, paths),
              (Summaries{
                  {paths[0], ""},
                  {paths[1],
                   "Preferences|Possible|-|Named after the app and a version" + inside + std::string(review)},
                  {paths[2], ""},
                  {paths[3], "Application Support|Exact|selected|Named after the app" + inside},
                  {paths[4], ""},
                  {paths[5], "Caches|Possible|-|Named after \u201Clive\u201D of its identifier" + inside +
                                 std::string(review)},
                  {paths[6], "Crash Reports|Exact|selected|Crash report named after the app's executable"},
                  {paths[7], ""},
                  {paths[8], ""},
                  {paths[9], "User Data|Possible|-|Named after the app, in your Movies" + userWork},
              }));
    EXPECT_FALSE(beside.contains("~/Library/Application Support/Ableton/Note"));
}

} // namespace
} // namespace tarnwick
