#include "demo/TreeBuilder.h"
#include "residuals/ResidualScanner.h"
#include "session/AppCatalogue.h"
#include "session/ResidualSearch.h"
#include "support/TestPlatform.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class ResidualSearchTest : public ::testing::Test {
protected:
    const InstalledApp& named(const std::vector<InstalledApp>& apps, const std::string& name) const {
        return *std::find_if(apps.begin(), apps.end(), [&](const auto& app) { return app.name == name; });
    }

    testing::TemporaryFolder folder;
    Platform platform = testing::makeTestPlatform(folder);
    TreeBuilder tree{platform};
};

// The search judges an app against the catalogue it was made for, the app itself included: its own files
// must still be its own, and another app's still theirs.
TEST_F(ResidualSearchTest, AnAppsOwnFilesAreNeverTakenForThoseOfAnotherApp) {
    const fs::path applications = platform.system("/Applications");
    tree.addApp(applications, {.fileName = "Notes.app", .bundleID = "com.example.notes"});
    tree.addApp(applications, {.fileName = "Notes Sync.app", .bundleID = "com.example.notes.sync"});
    const fs::path own = tree.addFile(tree.userLibrary("Application Support/com.example.notes/data"), "x");
    const fs::path others = tree.addFile(tree.userLibrary("Caches/com.example.notes.sync/data"), "x");

    const auto apps = AppCatalogue::scan(platform).value();
    const ResidualSearch search(apps, platform);
    const InstalledApp& notes = named(apps, "Notes");
    const auto items = search.forApp(notes).value();
    EXPECT_EQ(items, ResidualScanner::scan(notes, platform, search.identities().without(notes.url)));

    const auto item = [&](const fs::path& location) {
        return std::find_if(items.begin(), items.end(),
                            [&](const ResidualItem& found) { return found.url == location; });
    };
    ASSERT_NE(item(own.parent_path()), items.end());
    EXPECT_TRUE(item(own.parent_path())->selected);
    EXPECT_EQ(item(others.parent_path()), items.end());
}

} // namespace
} // namespace tarnwick
