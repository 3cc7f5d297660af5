#include "platform/Location.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

TEST(LocationTest, StandardizedRemovesDotsAndTrailingSeparatorsButKeepsCaseAndLinks) {
    EXPECT_EQ(Location::standardized("/a/./b/../c/"), fs::path("/a/c"));
    EXPECT_EQ(Location::standardized("/A//B/"), fs::path("/A/B"));
    EXPECT_EQ(Location::standardized("/.."), fs::path("/"));
    EXPECT_EQ(Location::standardized("/"), fs::path("/"));
    EXPECT_EQ(Location::standardized("/a/b/../../.."), fs::path("/"));
    EXPECT_EQ(Location::standardized("a/../../b"), fs::path("../b"));

    testing::TemporaryFolder folder;
    fs::create_directories(folder / "real/inner");
    fs::create_directory_symlink(folder / "real/inner", folder / "link");
    // ".." after a link is lexical: it does not go to the link target's parent.
    EXPECT_EQ(Location::standardized(folder / "link/../real"), folder / "real");
}

TEST(LocationTest, ResolvedFollowsLinkChainsAndKeepsTheMissingRest) {
    testing::TemporaryFolder folder;
    fs::create_directories(folder / "target/deep");
    fs::create_directory_symlink(folder / "target", folder / "first");
    fs::create_symlink(folder / "first", folder / "second");
    const fs::path real = Location::resolved(folder.path());

    EXPECT_EQ(Location::resolved(folder / "second/deep"), real / "target/deep");
    EXPECT_EQ(Location::resolved(folder / "second/missing/file.txt/"), real / "target/missing/file.txt");
    EXPECT_EQ(Location::resolved(folder / "second/../second/deep"), real / "target/deep");
}

TEST(LocationTest, PartsOfAPath) {
    EXPECT_EQ(Location::lastComponent("/Applications/Foo Bar.app/"), "Foo Bar.app");
    EXPECT_EQ(Location::lastComponent("/"), "/");

    EXPECT_EQ(Location::extension("/Applications/Foo.Bar.APP"), "APP");
    EXPECT_EQ(Location::extension("/Users/me/Library"), "");
    EXPECT_EQ(Location::extension("/Users/me/.profile"), "");
    EXPECT_EQ(Location::extension("/Users/me.name/file"), "");

    EXPECT_EQ(Location::withoutExtension("/Applications/Foo.Bar.app"), fs::path("/Applications/Foo.Bar"));
    EXPECT_EQ(Location::withoutExtension("/Applications/Foo"), fs::path("/Applications/Foo"));
    EXPECT_EQ(Location::withoutExtension("/Users/me/.profile"), fs::path("/Users/me/.profile"));
}

// Compared as text: a path compares equal to another written with more separators.
TEST(LocationTest, StandardizedTextHasOneSeparatorBetweenNamesAndNoneAtTheEnd) {
    const struct {
        const char* given;
        const char* standard;
    } cases[] = {
        {"/Applications/Notes.app", "/Applications/Notes.app"},
        {"//Applications///Notes.app//", "/Applications/Notes.app"},
        {"/Applications/./Notes.app/.", "/Applications/Notes.app"},
        {"/Applications/../Notes.app", "/Notes.app"},
        {"/..notes/...", "/..notes/..."},
        {"Notes.app/Contents/..", "Notes.app"},
        {"./", "."},
        {"", "."},
        {"..", ".."},
        {"../../a/..", "../.."},
        {"/", "/"},
        {"//", "/"},
    };
    for (const auto& [given, standard] : cases) {
        EXPECT_EQ(Location::standardized(given).native(), standard) << given;
    }
    EXPECT_EQ(Location::lastComponent("Notes.app"), "Notes.app");
    EXPECT_EQ(Location::lastComponent("/Applications//Notes.app/."), "Notes.app");
    EXPECT_EQ(Location::lastComponent("a/.."), ".");
}

TEST(LocationTest, ContainmentComparesWholeComponentsAndIsStrictUnlessAsked) {
    using Location::Containment;
    struct Case {
        const char* folder;
        const char* location;
        bool strictly;
        bool orSame;
    };
    const Case cases[] = {
        {"/r/disk", "/r/disk/x", true, true},
        {"/r/disk/", "/r/disk/x", true, true},   // a trailing separator on the folder changes nothing
        {"/r/disk", "/r/disk", false, true},     // a folder is not inside itself
        {"/r/disk", "/r/disk2/x", false, false}, // a longer name is another folder
        {"/r/disk", "/r/dis", false, false},
        {"/r/disk", "/R/disk/x", false, false}, // exact text, case included
        {"/", "/Applications", true, true},
        {"/", "/", false, true},
        {"", "/anything", false, false}, // an empty folder holds nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Location::contains(c.folder, c.location), c.strictly) << c.folder << " " << c.location;
        EXPECT_EQ(Location::contains(c.folder, c.location, Containment::orSame), c.orSame)
            << c.folder << " " << c.location;
    }
}

TEST(LocationTest, OneComponentNeverLeadsElsewhere) {
    EXPECT_TRUE(Location::isSingleComponent("Notes.app"));
    EXPECT_TRUE(Location::isSingleComponent("..."));
    for (const std::string& bad :
         std::vector<std::string>{"", ".", "..", "a/b", "/", std::string("a\0b", 3)}) {
        EXPECT_FALSE(Location::isSingleComponent(bad)) << bad;
    }
}

} // namespace
} // namespace tarnwick
