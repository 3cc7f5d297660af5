#include "catalogue/FolderContentItem.h"
#include "support/TemporaryFolder.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <string>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> names(const FolderListing& listing) {
    std::vector<std::string> result;
    for (const auto& item : listing.items) {
        result.push_back(item.url.filename().string());
    }
    return result;
}

TEST(FolderContentItemTest, ListsTheFirstHundredVisibleChildrenByNameAndCountsTheRest) {
    testing::TemporaryFolder folder;
    for (int index = 1; index <= 250; ++index) {
        folder.write("Cache/file " + std::to_string(index), "x");
    }
    folder.write("Cache/.DS_Store", "hidden");
    folder.write("Cache/.hidden folder/inside", "hidden");

    const auto listing = FolderContentItem::load(folder / "Cache");
    ASSERT_EQ(listing.items.size(), 100U);
    EXPECT_EQ(listing.hiddenCount, 150);
    // Numbers by value, as a file browser orders them: "file 2" before "file 10".
    EXPECT_EQ(names(listing)[0], "file 1");
    EXPECT_EQ(names(listing)[1], "file 2");
    EXPECT_EQ(names(listing)[99], "file 100");
}

TEST(FolderContentItemTest, OrdersWithoutCaseAndWithoutPuttingFoldersFirst) {
    testing::TemporaryFolder folder;
    folder.write("Data/beta.txt", "12345");
    folder.write("Data/Alpha/inside", "deep contents are never listed");
    folder.write("Data/gamma 10", "");
    folder.write("Data/Gamma 9", "");
    fs::create_symlink(folder / "Data/Alpha", folder / "Data/delta link");

    const auto listing = FolderContentItem::load(folder / "Data");
    EXPECT_EQ(names(listing),
              (std::vector<std::string>{"Alpha", "beta.txt", "delta link", "Gamma 9", "gamma 10"}));
    EXPECT_EQ(listing.hiddenCount, 0);
    EXPECT_TRUE(listing.items[0].isDirectory);
    EXPECT_FALSE(listing.items[1].isDirectory);
    EXPECT_FALSE(listing.items[2].isDirectory) << "a link to a folder is not entered as one";
    EXPECT_GE(listing.items[1].size, 5);
    EXPECT_EQ(listing.items[0].url, folder / "Data/Alpha");
}

TEST(FolderContentItemTest, EmptyMissingFileAndUnreadableFoldersListNothing) {
    testing::TemporaryFolder folder;
    fs::create_directories(folder / "Empty");
    folder.write("OnlyHidden/.secret", "");
    folder.write("file", "not a folder");
    for (const auto& location :
         {folder / "Empty", folder / "OnlyHidden", folder / "missing", folder / "file"}) {
        const auto listing = FolderContentItem::load(location);
        EXPECT_TRUE(listing.items.empty()) << location;
        EXPECT_EQ(listing.hiddenCount, 0) << location;
    }

    folder.write("Locked/secret", "");
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(folder / "Locked", fs::perms::none);
    const auto seen = testing::runUnprivileged([&] {
        const auto listing = FolderContentItem::load(folder / "Locked");
        return std::to_string(listing.items.size()) + "/" + std::to_string(listing.hiddenCount);
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, "0/0");
}

} // namespace
} // namespace tarnwick
