#include "session/ItemChoice.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class ItemChoiceTest : public ::testing::Test {
protected:
    ResidualItem item(const std::string& relative, bool selected) const {
        return {folder / relative, 10, ResidualCategory::cache, MatchConfidence::exact, "reason", selected};
    }

    std::vector<std::string> chosenPaths(const std::vector<std::string>& paths) const {
        std::vector<std::string> result;
        for (const ResidualItem& chosen : ItemChoice::choose(found, paths)) {
            EXPECT_TRUE(chosen.selected) << chosen.url;
            result.push_back(fs::relative(chosen.url, folder.path()).string());
        }
        return result;
    }

    testing::TemporaryFolder folder;
    std::vector<ResidualItem> found{item("Caches/one", true), item("Logs/two.log", false),
                                    item("Preferences/three.plist", true)};
};

TEST_F(ItemChoiceTest, TakesThePreselectedOrTheNamedFindingsInTheScansOrder) {
    EXPECT_EQ(chosenPaths({}), (std::vector<std::string>{"Caches/one", "Preferences/three.plist"}));

    const std::string log = (folder / "Logs/two.log").string();
    const struct {
        std::vector<std::string> paths;
        std::vector<std::string> chosen;
    } cases[] = {
        {{log}, {"Logs/two.log"}},
        // Spelt another way the path names the same finding; named twice, it is taken once.
        {{(folder / "Logs/./two.log").string(), (folder / "Caches/../Logs/two.log").string(), log},
         {"Logs/two.log"}},
        {{(folder / "Preferences/three.plist").string(), (folder / "Caches/one/").string()},
         {"Caches/one", "Preferences/three.plist"}},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(chosenPaths(test.paths), test.chosen) << test.paths.front();
    }
}

TEST_F(ItemChoiceTest, APathThatIsNoFindingIsRefusedAsGiven) {
    for (const std::string& stranger :
         {(folder / "Logs").string(), (folder / "Caches/one/inside").string(), std::string("two.log")}) {
        try {
            ItemChoice::choose(found, {(folder / "Caches/one").string(), stranger});
            ADD_FAILURE() << stranger << " was taken";
        } catch (const ItemChoice::NotAFinding& error) {
            EXPECT_EQ(error.path(), stranger);
        }
    }
}

TEST(ItemChoiceRules, SelectSafeSparesPossibleMatchesAndASectionCheckboxFillsAPartlyChosenSection) {
    for (const MatchConfidence confidence :
         {MatchConfidence::exact, MatchConfidence::verified, MatchConfidence::possible}) {
        for (const bool chosen : {false, true}) {
            const ResidualItem item{"/Library/Caches/x", 1, ResidualCategory::cache, confidence, "", chosen};
            EXPECT_EQ(ItemChoice::chosenAfter(ItemChoice::Command::selectSafe, item),
                      confidence != MatchConfidence::possible || chosen);
            EXPECT_FALSE(ItemChoice::chosenAfter(ItemChoice::Command::clear, item));
        }
    }
    EXPECT_TRUE(ItemChoice::sectionCheckboxChooses(3, 0));
    EXPECT_TRUE(ItemChoice::sectionCheckboxChooses(3, 2)) << "a partly chosen section is chosen whole";
    EXPECT_FALSE(ItemChoice::sectionCheckboxChooses(3, 3));
}

} // namespace
} // namespace tarnwick
