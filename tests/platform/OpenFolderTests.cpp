#include "platform/OpenFolder.h"
#include "platform/PlatformError.h"
#include "support/TemporaryFolder.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

bool failsWith(const std::function<void()>& action, std::initializer_list<int> codes) {
    try {
        action();
    } catch (const PlatformError& error) {
        for (const int code : codes) {
            if (error.hasCode(PlatformError::posixDomain, code)) {
                return true;
            }
        }
        ADD_FAILURE() << error.message();
        return false;
    }
    return false;
}

TEST(OpenFolderTest, ALinkAnywhereOnTheWayIsRefused) {
    TemporaryFolder folder;
    const fs::path real = fs::canonical(folder.path());
    fs::create_directories(real / "a/b");
    fs::create_directory_symlink(real / "a", real / "link");

    EXPECT_EQ(OpenFolder::withoutLinks(real / "a/b").path(), real / "a/b");
    EXPECT_TRUE(failsWith([&] { OpenFolder::withoutLinks(real / "link/b"); }, {ELOOP, ENOTDIR}));
    EXPECT_TRUE(failsWith([&] { OpenFolder::withoutLinks(real / "link"); }, {ELOOP, ENOTDIR}));
    const OpenFolder top = OpenFolder::withoutLinks(real);
    EXPECT_TRUE(failsWith([&] { top.descendant("a/../link"); }, {EINVAL}));
    EXPECT_TRUE(failsWith([&] { top.child("link"); }, {ELOOP, ENOTDIR}));
    EXPECT_TRUE(failsWith([&] { top.itemIdentity("a/b"); }, {EINVAL}));
    EXPECT_EQ(top.itemIdentity("link")->kind, ItemIdentity::Kind::link);
    EXPECT_EQ(top.itemIdentity("missing"), std::nullopt);
}

TEST(OpenFolderTest, MovesHappenInTheFolderOpenedWhateverTakesItsPathLater) {
    TemporaryFolder folder;
    const fs::path real = fs::canonical(folder.path());
    folder.write("cache/item", "mine");
    folder.write("documents/item", "precious");
    fs::create_directories(real / "trash");
    const OpenFolder cache = OpenFolder::withoutLinks(real / "cache");
    const OpenFolder trash = OpenFolder::withoutLinks(real / "trash");
    const auto identity = cache.itemIdentity("item");

    // The folder's path now leads elsewhere: the move still takes the item of the folder that was opened.
    fs::rename(real / "cache", real / "cache-moved");
    fs::create_directory_symlink(real / "documents", real / "cache");
    cache.moveWithoutReplacing("item", trash, "item");

    EXPECT_EQ(trash.itemIdentity("item"), identity);
    EXPECT_TRUE(fs::exists(real / "documents/item"));
    EXPECT_FALSE(fs::exists(real / "cache-moved/item"));
    // Never over anything, and nothing at the source is its own failure.
    EXPECT_TRUE(failsWith([&] { trash.moveWithoutReplacing("item", trash, "item"); }, {EEXIST}));
    EXPECT_TRUE(failsWith([&] { cache.moveWithoutReplacing("gone", trash, "gone"); }, {ENOENT}));
}

TEST(ItemIdentityTest, AnInodeGivenAgainIsAnotherObjectWhereBirthTimesAreKept) {
    using Kind = ItemIdentity::Kind;
    const ItemIdentity item{1, 2, Kind::file, 100};
    EXPECT_TRUE(item.isSameObject({1, 2, Kind::file, 100}));
    EXPECT_TRUE(item.isSameObject({1, 2, Kind::file, 0})); // a file system that keeps no birth time
    EXPECT_FALSE(item.isSameObject({1, 2, Kind::file, 101}));
    EXPECT_FALSE(item.isSameObject({1, 3, Kind::file, 100}));
    EXPECT_FALSE(item.isSameObject({2, 2, Kind::file, 100}));
    EXPECT_FALSE(item.isSameObject({1, 2, Kind::folder, 100}));
}

} // namespace
} // namespace tarnwick::testing
