#include "ResidualItem.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

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

TEST(ResidualCategoryTest, RawValueLookupIsExactAndCaseSensitive) {
    EXPECT_EQ(residualCategory("Caches"), ResidualCategory::cache);
    EXPECT_EQ(residualCategory("Web & Network"), ResidualCategory::web);
    for (const char* text : {"caches", "Cache", "Caches ", " Caches", "", "cache", "Web", "Other\n"}) {
        EXPECT_EQ(residualCategory(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(ResidualCategoryTest, EveryCaseRoundTripsThroughItsOwnRawValueAndSymbol) {
    std::set<std::string_view> rawValues;
    std::set<std::string_view> symbols;
    for (const ResidualCategory category : allResidualCategories()) {
        EXPECT_EQ(residualCategory(rawValue(category)), category);
        rawValues.insert(rawValue(category));
        symbols.insert(symbol(category));
    }
    EXPECT_EQ(rawValues.size(), residualCategoryCount);
    EXPECT_EQ(symbols.size(), residualCategoryCount);
    EXPECT_EQ(symbol(ResidualCategory::web), "network");
    EXPECT_EQ(symbol(ResidualCategory::other), "doc");
}

TEST(ResidualCategoryTest, AllCasesFollowSectionOrder) {
    constexpr auto categories = allResidualCategories();
    ASSERT_EQ(categories.size(), 14U);
    EXPECT_EQ(categories.front(), ResidualCategory::application);
    EXPECT_EQ(categories.back(), ResidualCategory::other);
    EXPECT_EQ(position(ResidualCategory::logs), 11U);
    EXPECT_EQ(position(ResidualCategory::crashReports), 12U);
    for (std::size_t index = 0; index < categories.size(); ++index) {
        EXPECT_EQ(position(categories[index]), index);
        if (index > 0) {
            EXPECT_LT(categories[index - 1], categories[index]);
        }
    }
}

TEST(MatchConfidenceTest, OnlyZeroToTwoAreCasesOrderedByRawValue) {
    EXPECT_EQ(matchConfidence(-1), std::nullopt);
    EXPECT_EQ(matchConfidence(3), std::nullopt);
    EXPECT_EQ(matchConfidence(1), MatchConfidence::verified);
    EXPECT_EQ(matchConfidence(2), MatchConfidence::exact);
    EXPECT_LT(MatchConfidence::possible, MatchConfidence::exact);
    EXPECT_GT(MatchConfidence::verified, MatchConfidence::possible);
    EXPECT_GE(MatchConfidence::exact, MatchConfidence::verified);
    EXPECT_LE(MatchConfidence::verified, MatchConfidence::verified);
}

TEST(ResidualItemTest, ExplanationDependsOnlyOnConfidence) {
    ResidualItem item = cacheItem();
    ResidualItem other{"/Library/Logs/Unrelated", 1,    ResidualCategory::logs, MatchConfidence::exact,
                       "Application name match",  false};
    EXPECT_EQ(item.confidenceExplanation(), other.confidenceExplanation());
    EXPECT_EQ(item.confidenceExplanation(),
              "The file name matches this application's bundle identifier or application name.");

    item.confidence = MatchConfidence::possible;
    EXPECT_EQ(item.confidenceExplanation(), "This item is related by application or developer name, but "
                                            "ownership is not exclusive. Review it before selecting.");
    item.confidence = MatchConfidence::verified;
    EXPECT_EQ(item.confidenceExplanation(), explanation(MatchConfidence::verified));
    EXPECT_NE(item.confidenceExplanation(), other.confidenceExplanation());
}

TEST(ResidualItemTest, FlippedSelectionIsADifferentValueWithTheSameId) {
    const ResidualItem item = cacheItem();
    ResidualItem flipped = item;
    flipped.selected = !flipped.selected;

    EXPECT_EQ(item, cacheItem());
    EXPECT_EQ(std::hash<ResidualItem>{}(item), std::hash<ResidualItem>{}(cacheItem()));
    EXPECT_NE(item, flipped);
    EXPECT_NE(std::hash<ResidualItem>{}(item), std::hash<ResidualItem>{}(flipped));
    EXPECT_EQ(item.id(), flipped.id());
    EXPECT_EQ(item.id(), "/Users/ana/Library/Caches/com.example.Editor");
}

TEST(ResidualItemTest, EveryFieldTakesPartInEquality) {
    const ResidualItem item = cacheItem();
    auto changed = [&item](auto change) {
        ResidualItem copy = item;
        change(copy);
        return copy;
    };
    EXPECT_NE(item,
              changed([](ResidualItem& copy) { copy.url = "/Users/ana/Library/Caches/com.example.Other"; }));
    EXPECT_NE(item, changed([](ResidualItem& copy) { copy.size = 4097; }));
    EXPECT_NE(item, changed([](ResidualItem& copy) { copy.category = ResidualCategory::support; }));
    EXPECT_NE(item, changed([](ResidualItem& copy) { copy.confidence = MatchConfidence::possible; }));
    EXPECT_NE(item, changed([](ResidualItem& copy) { copy.reason = "Application name match"; }));
}

TEST(ResidualItemTest, LocationsCompareAsTextLikeTheirIds) {
    ResidualItem doubled = cacheItem();
    doubled.url = "/Users/ana/Library//Caches/com.example.Editor";
    EXPECT_NE(doubled.id(), cacheItem().id());
    EXPECT_NE(doubled, cacheItem());
}

} // namespace
} // namespace tarnwick
