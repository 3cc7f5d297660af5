#include "store/FindingsState.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

ResidualItem finding(const std::string& path, ResidualCategory category) {
    return {path, 10, category, MatchConfidence::exact, "Bundle identifier match", true};
}

// The file search finds a finding by its path or by its category's name, and a search that changes finds
// by the new text only.
TEST(FindingsSearchTest, FindsByPathOrCategoryNameAndFollowsEachNewSearch) {
    FindingsState state;
    const ResidualItem log = finding("/Users/u/Library/Logs/com.example.editor", ResidualCategory::logs);
    const ResidualItem cache = finding("/Users/u/Library/Stuff/com.example.editor", ResidualCategory::cache);
    state.setFindings({log, cache});

    state.setFileSearch("CACHES");
    EXPECT_FALSE(state.isShown(log));
    EXPECT_TRUE(state.isShown(cache)) << "its category's name, not in its path";
    state.setFileSearch("stuff");
    EXPECT_FALSE(state.isShown(log));
    EXPECT_TRUE(state.isShown(cache));
    state.setFileSearch("logs");
    EXPECT_TRUE(state.isShown(log));
    EXPECT_FALSE(state.isShown(cache)) << "the former search's category no longer counts";
    state.setFileSearch({});
    EXPECT_TRUE(state.isShown(log) && state.isShown(cache));
}

} // namespace
} // namespace tarnwick
