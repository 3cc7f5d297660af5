#include "session/AppCatalogue.h"
#include "session/AppLookupError.h"
#include "support/MacDisk.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Kind = AppLookupError::Kind;

class AppCatalogueTest : public testing::MacDiskTest {
protected:
    AppCatalogueTest() {
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "Signed.app", .bundleID = "com.example.signed"});
        tree.addApp(platform.system("/Applications"),
                    {.fileName = "Twin.app", .bundleID = "com.example.twin"});
        tree.addApp(platform.system("/System/Applications"),
                    {.fileName = "Twin.app", .bundleID = "com.apple.twin"});
        tree.addApp(platform.home() / "Applications",
                    {.fileName = "Quill.app", .bundleID = "org.twine.quill"});
        tree.addApp(folder / "Downloads", {.fileName = "Dropped.app", .bundleID = "com.example.dropped"});
        tree.addFolder(folder / "Documents/Notes.app.txt");
    }

    std::vector<std::string> names(const std::vector<InstalledApp>& apps) const {
        std::vector<std::string> result;
        for (const auto& app : apps) {
            result.push_back(app.name + (app.isSystem ? " (system)" : ""));
        }
        return result;
    }
};

TEST_F(AppCatalogueTest, FindsByPathNameOrIdentifierInAnyCase) {
    const auto installed = AppCatalogue::scan(platform).value();
    ASSERT_EQ(names(installed), (std::vector<std::string>{"Quill", "Signed", "Twin", "Twin (system)"}));

    const struct {
        std::string query;
        std::string name;
    } cases[] = {
        {"sIGNED", "Signed"},
        {"COM.example.signed", "Signed"},
        {(folder / "Applications/./Signed.app/").string(), "Signed"},
        {"com.apple.TWIN", "Twin"},
        {(folder / "Downloads/Dropped.app").string(), "Dropped"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.query);
        const InstalledApp app = AppCatalogue::find(installed, platform, test.query);
        EXPECT_EQ(app.name, test.name);
    }
    // An installed bundle named by path is its catalogue record; any other is made as a dropped one,
    // measured at once.
    EXPECT_EQ(AppCatalogue::find(installed, platform, (folder / "Applications/Signed.app").string()),
              installed[1]);
    EXPECT_TRUE(AppCatalogue::find(installed, platform, (folder / "Downloads/Dropped.app").string()).size >
                0);
}

TEST_F(AppCatalogueTest, SaysWhyNothingFitsAndWhatMightHaveBeenMeant) {
    const auto installed = AppCatalogue::scan(platform).value();
    const struct {
        std::string query;
        Kind kind;
        std::vector<std::string> candidates;
    } cases[] = {
        {"twin", Kind::several, {"Twin", "Twin (system)"}},
        // The name or identifier only contains the query: suggestions, not a match.
        {"TWI", Kind::none, {"Quill", "Twin", "Twin (system)"}},
        {"Nothing", Kind::none, {}},
        {(folder / "Applications/Gone.app").string(), Kind::noBundle, {}},
        {"Gone.app", Kind::noBundle, {}},
        {(folder / "Documents").string(), Kind::notAnApp, {}},
        {(folder / "Documents/Notes.app.txt").string(), Kind::notAnApp, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.query);
        try {
            AppCatalogue::find(installed, platform, test.query);
            ADD_FAILURE() << "found an application";
        } catch (const AppLookupError& error) {
            EXPECT_EQ(error.kind(), test.kind);
            EXPECT_EQ(names(error.candidates()), test.candidates);
            EXPECT_NE(std::string(error.what()).find(test.query), std::string::npos);
        }
    }
}

} // namespace
} // namespace tarnwick
