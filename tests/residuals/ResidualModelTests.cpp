#include "residuals/ResidualItem.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

ResidualItem cacheItem() {
    return ResidualItem{"/Users/ana/Library/Caches/com.example.Editor",
                        4096,
                        ResidualCategory::cache,
                        MatchConfidence::exact,
                        "Bundle identifier match",
                        true};
}

TEST(ResidualCategoryTest, CasesAreDistinctInSectionOrderAndLookupIsExact) {
    constexpr auto categories = allResidualCategories();
    ASSERT_EQ(categories.size(), 14U);
    EXPECT_EQ(position(ResidualCategory::logs), 11U);
    EXPECT_EQ(position(ResidualCategory::crashReports), 12U);

    std::set<std::string_view> rawValues;
    std::set<std::string_view> symbols;
    for (const ResidualCategory category : categories) {
        EXPECT_EQ(residualCategory(rawValue(category)), category);
        rawValues.insert(rawValue(category));
        symbols.insert(symbol(category));
    }
    EXPECT_EQ(rawValues.size(), residualCategoryCount);
    EXPECT_EQ(symbols.size(), residualCategoryCount);
    EXPECT_EQ(rawValue(ResidualCategory::web), "Web & Network");
    EXPECT_EQ(symbol(ResidualCategory::web), "network");
    for (const char* text : {"caches", "Caches ", " Caches", "", "Web"}) {
        EXPECT_EQ(residualCategory(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(MatchConfidenceTest, OnlyZeroToTwoAreCasesOrderedByRawValue) {
    EXPECT_EQ(matchConfidence(-1), std::nullopt);
    EXPECT_EQ(matchConfidence(3), std::nullopt);
    EXPECT_EQ(matchConfidence(1), MatchConfidence::verified);
    EXPECT_LT(MatchConfidence::possible, MatchConfidence::verified);
    EXPECT_LT(MatchConfidence::verified, MatchConfidence::exact);
}

TEST(ResidualItemTest, ExplanationDependsOnlyOnConfidence) {
    ResidualItem item = cacheItem();
    const ResidualItem other{"/Library/Logs/Unrelated", 1,    ResidualCategory::logs, MatchConfidence::exact,
                             "Application name match",  false};
    EXPECT_EQ(item.confidenceExplanation(), other.confidenceExplanation());
    EXPECT_EQ(item.confidenceExplanation(),
              "The file name matches this application's bundle identifier or application name.");
    item.confidence = MatchConfidence::possible;
    EXPECT_EQ(item.confidenceExplanation(), "This item is related by application or developer name, but "
                                            "ownership is not exclusive. Review it before selecting.");
}

TEST(ResidualItemTest, EveryFieldTakesPartInEqualityButOnlyTheLocationTextInTheId) {
    const ResidualItem item = cacheItem();
    EXPECT_EQ(item, cacheItem());
    EXPECT_EQ(std::hash<ResidualItem>{}(item), std::hash<ResidualItem>{}(cacheItem()));
    const std::vector<std::function<void(ResidualItem&)>> changes{
        // The same location spelled differently is a different item.
        [](ResidualItem& copy) { copy.url = "/Users/ana/Library//Caches/com.example.Editor"; },
        [](ResidualItem& copy) { copy.size = 4097; },
        [](ResidualItem& copy) { copy.category = ResidualCategory::support; },
        [](ResidualItem& copy) { copy.confidence = MatchConfidence::possible; },
        [](ResidualItem& copy) { copy.reason = "Application name match"; },
        [](ResidualItem& copy) { copy.selected = false; },
    };
    for (std::size_t index = 0; index < changes.size(); ++index) {
        ResidualItem changed = item;
        changes[index](changed);
        EXPECT_NE(item, changed) << index;
        EXPECT_EQ(item.id() == changed.id(), index > 0) << index;
        EXPECT_NE(std::hash<ResidualItem>{}(item), std::hash<ResidualItem>{}(changed)) << index;
    }
}

} // namespace
} // namespace tarnwick
