#include "cli/CliRunner.h"
#include "demo/DemoTree.h"
#include "support/RunningCopy.h"

#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

// What an item is made of: each file's bytes and each link's target, by path below the item.
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const fs::path& item) {
    auto entry = [](const fs::path& path) -> std::string {
        if (fs::is_symlink(path)) {
            return "link to " + fs::read_symlink(path).string();
        }
        if (fs::is_directory(path)) {
            return "folder";
        }
        return contentsOf(path);
    };
    Snapshot result{{".", entry(item)}};
    if (fs::is_directory(fs::symlink_status(item))) {
        for (const auto& inside : fs::recursive_directory_iterator(item)) {
            result[fs::relative(inside.path(), item).string()] = entry(inside.path());
        }
    }
    return result;
}

bool present(const fs::path& path) {
    return fs::exists(fs::symlink_status(path));
}

// Thistledown's preselected findings are its bundle, a data folder and two files, all in safe places.
class RemoveCommandTest : public CliTest {
protected:
    RemoveCommandTest() {
        DemoTree::build(folder.path());
        fs::create_symlink("Planner.sqlite",
                           home / "Library/Application Support/com.thistledown.planner/current");
    }

    std::vector<std::string> preselected(const std::string& app) const {
        const auto scan = run({"scan", app, "--json"});
        EXPECT_EQ(scan.status, 0) << scan.err;
        const auto found = ordered_json::parse(scan.out);
        std::vector<std::string> paths;
        for (const auto& item : found.at("items")) {
            if (item.at("selected").get<bool>()) {
                paths.push_back(item.at("path"));
            }
        }
        return paths;
    }

    fs::path home = Platform::rooted(folder.path()).home();
    fs::path bundle = folder / "Applications/Utilities/Thistledown.app";
};

TEST_F(RemoveCommandTest, RemovedItemsGoToTheTrashAndComeBackByteForByte) {
    const std::vector<std::string> chosen = preselected("Thistledown");
    ASSERT_EQ(chosen.size(), 4U);
    std::map<std::string, Snapshot> before;
    for (const auto& path : chosen) {
        before[path] = snapshot(path);
    }
    ASSERT_EQ(before.at(bundle.string()).count("Contents/Info.plist"), 1U);

    const auto removal = run({"remove", "Thistledown", "--yes", "--json"});
    ASSERT_EQ(removal.status, 0) << removal.err;
    const auto record = ordered_json::parse(removal.out);
    EXPECT_EQ(record.at("appName"), "Thistledown");
    std::set<std::string> moved;
    for (const auto& pair : record.at("items")) {
        const fs::path original = pair.at("originalPath").get<std::string>();
        const fs::path trashed = pair.at("trashPath").get<std::string>();
        moved.insert(original.string());
        EXPECT_FALSE(present(original)) << original;
        EXPECT_EQ(trashed.parent_path(), home / ".Trash");
        EXPECT_EQ(snapshot(trashed), before.at(original.string())) << trashed;
    }
    EXPECT_EQ(moved, std::set<std::string>(chosen.begin(), chosen.end()));

    const auto history = run({"history", "--json"});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_EQ(ordered_json::parse(history.out), ordered_json::array({record}));

    const std::string id = record.at("id");
    const auto restore = run({"restore", id});
    ASSERT_EQ(restore.status, 0) << restore.err;
    EXPECT_NE(restore.out.find("Put back 4 items of Thistledown"), std::string::npos) << restore.out;
    for (const auto& [path, contents] : before) {
        EXPECT_EQ(snapshot(path), contents) << path;
    }
    EXPECT_TRUE(fs::is_empty(home / ".Trash"));
    EXPECT_NE(run({"history"}).out.find("\n  Restored\n"), std::string::npos);

    const auto again = run({"restore", id});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(again.out.starts_with("Nothing to restore: the items of the removal of Thistledown"))
        << again.out;
    EXPECT_NE(again.out.find("were put back already"), std::string::npos) << again.out;
}

TEST_F(RemoveCommandTest, RefusalsAndRehearsalsMoveNothing) {
    const auto unconfirmed = run({"remove", "Thistledown"});
    EXPECT_EQ(unconfirmed.status, 2);
    EXPECT_NE(unconfirmed.err.find("--yes"), std::string::npos) << unconfirmed.err;
    EXPECT_TRUE(unconfirmed.out.empty());

    const auto dryRun = run({"remove", "Thistledown", "--dry-run"});
    EXPECT_EQ(dryRun.status, 0) << dryRun.err;
    EXPECT_NE(dryRun.out.find("4 items (30.1 MB) would be moved"), std::string::npos) << dryRun.out;

    const std::string stranger = (home / "Documents/Letters/To the council.txt").string();
    const auto unknownItem = run({"remove", "Thistledown", "--item", stranger, "--yes"});
    EXPECT_EQ(unknownItem.status, 2);
    EXPECT_NE(unknownItem.err.find(stranger), std::string::npos) << unknownItem.err;
    EXPECT_NE(unknownItem.err.find("scan Thistledown"), std::string::npos) << unknownItem.err;

    const std::vector<std::string> calculator = preselected("Calculator");
    ASSERT_FALSE(calculator.empty());
    const auto system = run({"remove", "Calculator", "--yes"});
    EXPECT_EQ(system.status, 1);
    EXPECT_EQ(system.err, "tarnwick-cli: System applications cannot be removed.\n");
    EXPECT_TRUE(system.out.empty());

    for (const auto& path : calculator) {
        EXPECT_TRUE(present(path)) << path;
    }
    EXPECT_TRUE(present(bundle));
    EXPECT_TRUE(fs::is_empty(home / ".Trash"));
    EXPECT_EQ(ordered_json::parse(run({"history", "--json"}).out), ordered_json::array());
}

TEST_F(RemoveCommandTest, NamedItemsAreMovedInsteadOfThePreselectedOnes) {
    const fs::path log = home / "Library/Logs/DiagnosticReports/Planner_2024-06-01-084511.ips";
    const auto removal = run({"remove", "Thistledown", "--item", log.string(), "--yes"});
    ASSERT_EQ(removal.status, 0) << removal.err;
    EXPECT_NE(removal.out.find("Moved 1 item (71 KB) to the Trash."), std::string::npos) << removal.out;
    EXPECT_NE(removal.out.find("tarnwick-cli --root " + folder.path().string() + " restore "),
              std::string::npos);
    EXPECT_FALSE(present(log));
    EXPECT_TRUE(present(home / ".Trash" / log.filename()));
    EXPECT_TRUE(present(bundle));
}

TEST_F(RemoveCommandTest, SeveralApplicationsAreShownAndRemovedEachWithItsOwnRecord) {
    const std::vector<std::string> thistledown = preselected("Thistledown");
    const std::vector<std::string> skylume = preselected("Skylume");
    ASSERT_FALSE(skylume.empty());

    const auto dryRun = run({"remove", "Thistledown", "Skylume", "--dry-run"});
    EXPECT_EQ(dryRun.status, 0) << dryRun.err;
    EXPECT_NE(dryRun.out.find("Thistledown  " + bundle.string()), std::string::npos) << dryRun.out;
    EXPECT_NE(dryRun.out.find("Skylume  "), std::string::npos) << dryRun.out;
    EXPECT_NE(dryRun.out.find("4 items (30.1 MB) would be moved"), std::string::npos) << dryRun.out;
    const auto dryJson =
        ordered_json::parse(run({"remove", "Thistledown", "Skylume", "--dry-run", "--json"}).out);
    ASSERT_EQ(dryJson.size(), 2U);
    EXPECT_EQ(dryJson[1].at("app").at("name"), "Skylume");

    // A named item goes to the application that found it; one found by neither is a mistake.
    const std::string stranger = (home / "Documents/Letters/To the council.txt").string();
    EXPECT_EQ(run({"remove", "Thistledown", "Skylume", "--item", stranger, "--yes"}).status, 2);

    const auto removal = run({"remove", "Thistledown", "Skylume", "--yes", "--json"});
    ASSERT_EQ(removal.status, 0) << removal.err;
    const auto records = ordered_json::parse(removal.out);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0].at("appName"), "Thistledown");
    EXPECT_EQ(records[1].at("appName"), "Skylume");
    EXPECT_EQ(records[1].at("items").size(), skylume.size());
    EXPECT_EQ(ordered_json::parse(run({"history", "--json"}).out).size(), 2U);

    ASSERT_EQ(run({"restore", records[1].at("id")}).status, 0);
    for (const auto& path : skylume) {
        EXPECT_TRUE(present(path)) << path;
    }
    for (const auto& path : thistledown) {
        EXPECT_FALSE(present(path)) << path;
    }
}

// The running system rather than a disk under a root, with the fixture's home as the user's own: only
// there do processes run from what would move.
class RunningAppTest : public RemoveCommandTest {
protected:
    ProcessResult runHere(std::vector<std::string> arguments) const {
        return ChildProcess::run(TARNWICK_CLI_PATH, arguments,
                                 {"HOME=" + home.string(),
                                  "XDG_DATA_HOME=" + (home / ".local/share").string(),
                                  "XDG_CACHE_HOME=" + (home / ".cache").string(),
                                  "XDG_CONFIG_HOME=" + (home / ".config").string()});
    }
};

TEST_F(RunningAppTest, ARunningApplicationStopsTheRemovalUnlessAskedToQuit) {
    // It runs from the bundle, which this system does not preselect: the findings move, the bundle stays.
    RunningCopy planner(bundle / "Contents/MacOS/Planner", RunningCopy::OnQuit::ignores);
    const fs::path support = home / "Library/Application Support/com.thistledown.planner";

    const auto dryRun = runHere({"remove", bundle.string(), "--dry-run"});
    EXPECT_EQ(dryRun.status, 0) << dryRun.err;
    EXPECT_NE(dryRun.out.find("Planner is running. Tarnwick will ask it to quit first."), std::string::npos)
        << dryRun.out;

    const auto refused = runHere({"remove", bundle.string(), "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "tarnwick-cli: Planner is running, so nothing was moved. Quit it, then remove again.\n");
    EXPECT_TRUE(present(support));

    const auto unforced = runHere({"remove", bundle.string(), "--yes", "--quit"});
    EXPECT_EQ(unforced.status, 1);
    EXPECT_NE(unforced.err.find("Planner is running, so nothing was moved."), std::string::npos)
        << unforced.err;
    EXPECT_FALSE(planner.hasEnded()) << "never forced without --force-quit";
    EXPECT_TRUE(present(support));

    const auto forced = runHere({"remove", bundle.string(), "--yes", "--force-quit"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_TRUE(planner.hasEnded(std::chrono::seconds(1)));
    EXPECT_FALSE(present(support)) << forced.out;
}

} // namespace
} // namespace tarnwick::testing
