#include "cli/CliRunner.h"
#include "demo/DemoTree.h"
#include "platform/FileOperations.h"
#include "support/Unprivileged.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

class HistoryCommandTest : public CliTest {
protected:
    HistoryCommandTest() { DemoTree::build(folder.path()); }

    // Removes one of Thistledown's findings and returns the record.
    ordered_json removeItem(const fs::path& item) const {
        const auto result = run({"remove", "Thistledown", "--item", item.string(), "--yes", "--json"});
        EXPECT_EQ(result.status, 0) << result.err;
        return ordered_json::parse(result.out);
    }

    std::vector<std::string> historyIDs() const {
        std::vector<std::string> ids;
        for (const auto& record : ordered_json::parse(run({"history", "--json"}).out)) {
            ids.push_back(record.at("id"));
        }
        return ids;
    }

    fs::path home = Platform::rooted(folder.path()).home();
    fs::path preferences = home / "Library/Preferences/com.thistledown.planner.plist";
    fs::path log = home / "Library/Logs/DiagnosticReports/Planner_2024-06-01-084511.ips";
    fs::path data = home / "Library/Application Support/com.thistledown.planner";
};

TEST_F(HistoryCommandTest, ListsNewestFirstAndForgetsWhatItIsTold) {
    const auto empty = run({"history"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(empty.out.starts_with("No Removal History\n")) << empty.out;

    const ordered_json emptied = removeItem(preferences);
    const ordered_json kept = removeItem(log);
    const ordered_json newest = removeItem(data);
    ASSERT_EQ(historyIDs(), (std::vector<std::string>{newest.at("id"), kept.at("id"), emptied.at("id")}));
    fs::remove(emptied.at("items").at(0).at("trashPath").get<std::string>());

    const auto listing = run({"history"});
    ASSERT_EQ(listing.status, 0) << listing.err;
    const std::string unavailable = "Trash emptied \u2014 cannot restore";
    const auto emptiedAt = listing.out.find("ID " + emptied.at("id").get<std::string>());
    EXPECT_EQ(listing.out.find(unavailable), listing.out.find('\n', emptiedAt) + 3) << listing.out;
    EXPECT_EQ(listing.out.rfind(unavailable), listing.out.find(unavailable));
    EXPECT_NE(listing.out.find("1 item \u2022 71 KB \u2022 "), std::string::npos) << listing.out;

    EXPECT_EQ(run({"history", "clear-unavailable"}).status, 0);
    EXPECT_EQ(historyIDs(), (std::vector<std::string>{newest.at("id"), kept.at("id")}));

    // An ID may be shortened to its first eight characters, in any letter case.
    std::string prefix = kept.at("id").get<std::string>().substr(0, 8);
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    const auto forget = run({"history", "forget", prefix});
    EXPECT_EQ(forget.status, 0) << forget.err;
    EXPECT_NE(forget.out.find("can no longer put them back"), std::string::npos) << forget.out;
    EXPECT_EQ(historyIDs(), std::vector<std::string>{newest.at("id")});
    EXPECT_TRUE(fs::exists(kept.at("items").at(0).at("trashPath").get<std::string>()));

    const auto unknown = run({"restore", kept.at("id")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("tarnwick-cli --root " + folder.path().string() + " history"),
              std::string::npos)
        << unknown.err;
    EXPECT_EQ(run({"history", "forget", prefix.substr(0, 7)}).status, 2);

    EXPECT_EQ(run({"history", "clear"}).status, 0);
    EXPECT_TRUE(historyIDs().empty());
    EXPECT_TRUE(fs::exists(newest.at("items").at(0).at("trashPath").get<std::string>()));
}

TEST_F(HistoryCommandTest, WhatCannotBeReadIsKeptAsideAndSaid) {
    const ordered_json good = removeItem(preferences);
    const fs::path file = home / "Library/Application Support/TarnwickCleaner/RemovalHistory.json";
    // A listing writes the steps of the journal into the file.
    EXPECT_EQ(historyIDs(), std::vector<std::string>{good.at("id")});
    ordered_json records = ordered_json::parse(FileOperations::readFile(file).value_or(""));
    records.push_back({{"id", "not a record"}});
    FileOperations::writeFile(file, records.dump());

    // One record that is none is kept aside alone; the others are still listed.
    const auto listing = run({"history"});
    EXPECT_EQ(listing.status, 0) << listing.err;
    EXPECT_NE(listing.out.find(good.at("id").get<std::string>()), std::string::npos) << listing.out;
    EXPECT_NE(listing.err.find("1 removal in the history could not be read and was kept aside in \""),
              std::string::npos)
        << listing.err;
    EXPECT_NE(FileOperations::readFile(file.string() + ".unreadable").value_or("").find("not a record"),
              std::string::npos);
    // Said again each time, until the user moves it away.
    const auto again = run({"history"});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find("is kept in \u201C" + file.string() + ".unreadable\u201D"), std::string::npos)
        << again.err;

    // A file that is no history at all: said so, with where it went, and a failure.
    FileOperations::writeFile(file, "{ no history");
    const auto unreadable = run({"history"});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_NE(
        unreadable.err.find("could not be read. It was kept aside as \"" + file.string() + ".unreadable-2\""),
        std::string::npos)
        << unreadable.err;
    EXPECT_EQ(FileOperations::readFile(file.string() + ".unreadable-2"), "{ no history");
}

TEST_F(HistoryCommandTest, ForgettingThatCannotBeWrittenIsAFailure) {
    const ordered_json record = removeItem(preferences);
    // Someone who may read the tree but change nothing in it.
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        fs::permissions(entry.path(),
                        fs::perms::others_read |
                            (entry.is_directory() ? fs::perms::others_exec : fs::perms::none),
                        fs::perm_options::add);
    }
    fs::permissions(folder.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    const std::string id = record.at("id");
    const auto outcome = runUnprivileged([&] {
        const auto forget = run({"history", "forget", id});
        const auto clear = run({"history", "clear-unavailable"});
        return std::to_string(forget.status) + forget.out + forget.err + std::to_string(clear.status) +
               clear.out;
    });
    if (!outcome) {
        GTEST_SKIP() << "privileges cannot be dropped here";
    }
    EXPECT_TRUE(outcome->starts_with("1tarnwick-cli: The removal history could not be changed ("))
        << *outcome;
    EXPECT_TRUE(outcome->ends_with("1")) << *outcome;
    EXPECT_EQ(historyIDs(), std::vector<std::string>{id});
}

TEST_F(HistoryCommandTest, AnOutputThatCannotBeWrittenIsAFailure) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const auto full = ChildProcess::run(
        "/bin/sh", {"-c", "\"$0\" --root \"$1\" apps > /dev/full", TARNWICK_CLI_PATH, folder.path().string()},
        {"USER=tester"});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("The output could not be written (No space left on device)"), std::string::npos)
        << full.err;
}

} // namespace
} // namespace tarnwick::testing
