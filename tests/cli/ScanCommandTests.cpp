#include "cli/CliRunner.h"

#include <nlohmann/json.hpp>

namespace tarnwick::testing {
namespace {

class ScanCommandTest : public CliTest {
protected:
    ScanCommandTest() {
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "Notes.app", .bundleID = "com.example.Notes", .shortVersion = "2.0"});
        tree.addFile(tree.userLibrary("Preferences/com.example.Notes.plist"), "prefs");
        tree.addFile(tree.userLibrary("Caches/com.example.notes/Cache.db"), std::uint64_t{3000});
        tree.addFile(tree.systemLibrary("Caches/com.example.notes/shared.db"), std::uint64_t{500});
        tree.addFile(tree.userLibrary("Application Support/NotesData/db"), "x");
    }
};

TEST_F(ScanCommandTest, JsonHasTheAppAndTheItemsInTheScannersOrderAndTextGroupsThem) {
    const auto result = run({"scan", "notes", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::ordered_json::parse(result.out);
    EXPECT_EQ(json.at("app").at("version"), "2.0");
    EXPECT_GT(json.at("app").at("size").get<std::int64_t>(), 0);
    const auto& items = json.at("items");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].at("category"), "Application");
    EXPECT_EQ(items[1].at("path"), (folder / "Library/Caches/com.example.notes").string());
    EXPECT_EQ(items[1].at("selected"), false);
    EXPECT_EQ(items[2], (nlohmann::ordered_json{
                            {"path", (folder / "Users/tester/Library/Caches/com.example.notes").string()},
                            {"size", 3000},
                            {"category", "Caches"},
                            {"confidence", "exact"},
                            {"reason", "Bundle identifier match"},
                            {"selected", true}}));
    EXPECT_EQ(items[3].at("category"), "Preferences");

    const std::string text = run({"scan", (folder / "Applications/Notes.app").string()}).out;
    EXPECT_LT(text.find("Application \u2014 1 item"), text.find("Caches \u2014 2 items"));
    EXPECT_LT(text.find("Caches \u2014 2 items"), text.find("Preferences \u2014 1 item"));
    EXPECT_NE(text.find("Preselected: 3 items"), std::string::npos);
}

TEST_F(ScanCommandTest, ABundleOutsideTheApplicationFoldersIsScannedAsDropped) {
    tree.addApp(folder / "Downloads",
                {.fileName = "Notes.app", .bundleID = "com.example.Notes", .version = "9"});
    const auto result = run({"--json", "scan", (folder / "Downloads/Notes.app").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::ordered_json::parse(result.out);
    EXPECT_EQ(json.at("app").at("path"), (folder / "Downloads/Notes.app").string());
    EXPECT_EQ(json.at("app").at("version"), "\u2014"); // a dropped bundle's version ignores CFBundleVersion
    EXPECT_EQ(json.at("items").at(0).at("path"), (folder / "Downloads/Notes.app").string());
}

} // namespace
} // namespace tarnwick::testing
