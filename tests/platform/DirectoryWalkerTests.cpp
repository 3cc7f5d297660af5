#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef __linux__
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#endif

#include "platform/DirectoryWalker.h"
#include "platform/FileDescriptor.h"
#include "support/TemporaryFolder.h"
#include "support/Unprivileged.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Step = DirectoryWalker::Step;

std::vector<DirectoryEntry> walkAll(const fs::path& root, DirectoryWalker::Options options = {}) {
    std::vector<DirectoryEntry> entries;
    DirectoryWalker::walk(root, options, [&](const DirectoryEntry& entry) {
        entries.push_back(entry);
        return Step::proceed;
    });
    return entries;
}

std::string relative(const DirectoryEntry& entry, const fs::path& folder) {
    return entry.path.substr(folder.native().size() + 1);
}

std::map<std::string, DirectoryEntry> byRelativePath(const std::vector<DirectoryEntry>& entries,
                                                     const fs::path& folder) {
    std::map<std::string, DirectoryEntry> map;
    for (const auto& entry : entries) {
        map.emplace(relative(entry, folder), entry);
    }
    return map;
}

// The relative paths of every entry below `root`, sorted and each followed by a space.
std::string listing(const fs::path& root, DirectoryWalker::Options options = {}) {
    std::string text;
    for (const auto& [path, entry] : byRelativePath(walkAll(root, options), root)) {
        text += path + " ";
    }
    return text;
}

// The lowest free descriptor number: grows with every descriptor the walk keeps open.
int lowestFreeDescriptor(const fs::path& anyFolder) {
    return FileDescriptor(open(anyFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).get();
}

TEST(DirectoryWalkerTest, VisitsEveryFolderBeforeItsContentsWithLevels) {
    testing::TemporaryFolder folder;
    folder.write("a/b/c.txt", "c");
    folder.write("a/d.txt", "d");
    folder.write("e.txt", "e");
    fs::create_directories(folder / "a/empty");

    // Names are read after the walk has ended: every copy must view its own path.
    const auto entries = walkAll(folder.path());
    std::vector<std::string> paths;
    for (const auto& entry : entries) {
        const std::string path = relative(entry, folder.path());
        const fs::path parent = fs::path(path).parent_path();
        EXPECT_TRUE(parent.empty() || std::find(paths.begin(), paths.end(), parent.native()) != paths.end())
            << path;
        EXPECT_EQ(entry.level, std::count(path.begin(), path.end(), '/') + 1) << path;
        EXPECT_EQ(entry.name(), fs::path(path).filename().native());
        EXPECT_EQ(entry.isRegularFile, path.ends_with(".txt")) << path;
        EXPECT_NE(entry.isDirectory, entry.isRegularFile) << path;
        paths.push_back(path);
    }
    EXPECT_EQ(listing(folder.path()), "a a/b a/b/c.txt a/d.txt a/empty e.txt ");
    // Depth first: a folder's whole subtree comes before any of its later siblings.
    const auto b = std::find(paths.begin(), paths.end(), "a/b");
    ASSERT_NE(b + 1, paths.end());
    EXPECT_EQ(b[1], "a/b/c.txt");
}

TEST(DirectoryWalkerTest, HiddenEntriesAreDroppedWithTheirContentsOnlyWhenAsked) {
    testing::TemporaryFolder folder;
    folder.write(".hidden", "h");
    folder.write(".config/inner", "i");
    folder.write("visible/.DS_Store", "d");
    folder.write("visible/shown", "s");

    EXPECT_EQ(listing(folder.path()),
              ".config .config/inner .hidden visible visible/.DS_Store visible/shown ");
    EXPECT_EQ(listing(folder.path(), {.skipsHiddenEntries = true}), "visible visible/shown ");
}

TEST(DirectoryWalkerTest, PackagesAreReportedButNotEnteredOnlyWhenAsked) {
    testing::TemporaryFolder folder;
    folder.write("Foo.app/Contents/Info.plist", "<plist/>");
    folder.write("Kit.FrameWork/Versions/A/Kit", "k");
    folder.write("notes.app", "a file, not a package");
    folder.write("plain/file", "f");

    EXPECT_NE(listing(folder.path()).find(" Kit.FrameWork/Versions/A/Kit "), std::string::npos);
    EXPECT_EQ(listing(folder.path(), {.skipsPackageContents = true}),
              "Foo.app Kit.FrameWork notes.app plain plain/file ");

    for (const auto* name : {".app", "Foo.app.zip", "Foo.apps", "Foo."}) {
        EXPECT_FALSE(DirectoryWalker::isPackageName(name)) << name;
    }
}

TEST(DirectoryWalkerTest, NothingBelowTheDeepestLevelIsListed) {
    testing::TemporaryFolder folder;
    folder.write("a/b/c/d.txt", "d");
    folder.write("a/e.txt", "e");
    EXPECT_EQ(listing(folder.path(), {.deepestLevel = 2}), "a a/b a/e.txt ");
}

TEST(DirectoryWalkerTest, VisitorCanSkipTheEntryJustReceivedOrStopTheWalk) {
    testing::TemporaryFolder folder;
    folder.write("skip/inner/deeper", "");
    folder.write("keep/inner", "");

    std::vector<std::string> seen;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry& entry) {
        seen.emplace_back(entry.name());
        return entry.name() == "skip" ? Step::skipDescendants : Step::proceed;
    });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"inner", "keep", "skip"}));

    // Stopping deep inside the tree ends the whole walk, not just the current folder.
    int calls = 0;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry& entry) {
        ++calls;
        return entry.level == 2 ? Step::stop : Step::proceed;
    });
    EXPECT_EQ(calls, 2);
}

TEST(DirectoryWalkerTest, LinksBelowTheRootAreReportedAsLinksAndNeverFollowed) {
    testing::TemporaryFolder folder;
    folder.write("outside/big", std::string(1000, 'x'));
    folder.write("tree/file", "0123456789");
    fs::create_directory_symlink(folder / "outside", folder / "tree/folderLink");
    fs::create_symlink(folder / "outside/big", folder / "tree/fileLink");
    fs::create_symlink(folder / "nowhere", folder / "tree/dangling");

    const auto map = byRelativePath(walkAll(folder / "tree", {.readsSizes = true}), folder / "tree");
    EXPECT_EQ(map.size(), 4U) << "nothing below the link to a folder";
    for (const auto* name : {"folderLink", "fileLink", "dangling"}) {
        const auto& link = map.at(name);
        EXPECT_TRUE(link.isSymbolicLink && !link.isDirectory && !link.isRegularFile) << name;
        EXPECT_EQ(link.size, 0) << name;
    }

    // A root that is itself a link is opened like any path.
    fs::create_directory_symlink(folder / "tree", folder / "rootLink");
    EXPECT_EQ(listing(folder / "rootLink"), "dangling file fileLink folderLink ");
}

TEST(DirectoryWalkerTest, SizesAreLogicalSizesOfRegularFilesWhenAsked) {
    testing::TemporaryFolder folder;
    folder.write("ten", "0123456789");
    folder.write(".sub/five", "12345");
    {
        // A sparse file: its logical size is what counts, not the blocks it uses.
        const FileDescriptor file(open((folder / "sparse").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ASSERT_TRUE(file.isOpen());
        ASSERT_EQ(ftruncate(file.get(), 1 << 24), 0);
    }

    const auto sized = byRelativePath(walkAll(folder.path(), {.readsSizes = true}), folder.path());
    EXPECT_EQ(sized.at("ten").size, 10);
    EXPECT_EQ(sized.at(".sub/five").size, 5);
    EXPECT_EQ(sized.at("sparse").size, 1 << 24);
    EXPECT_EQ(sized.at(".sub").size, 0) << "folders count nothing themselves";
    EXPECT_EQ(byRelativePath(walkAll(folder.path()), folder.path()).at("ten").size, 0);

    // Children are the direct ones, hidden included.
    const auto listed = DirectoryWalker::children(folder.path(), true);
    ASSERT_TRUE(listed.has_value());
    const auto children = byRelativePath(*listed, folder.path());
    EXPECT_EQ(children.size(), 3U);
    EXPECT_TRUE(children.contains(".sub"));
    EXPECT_EQ(children.at("ten").size, 10);
}

TEST(DirectoryWalkerTest, UnreadableFolderIsReportedButSkippedWhileItsSiblingsAreWalked) {
    testing::TemporaryFolder folder;
    folder.write("a/before", "");
    folder.write("locked/secret", "");
    folder.write("z/after", "");
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(folder / "locked", fs::perms::none);

    // Permission bits do not stop root, so the walks run as an ordinary user.
    const auto seen = testing::runUnprivileged([&] {
        const bool lockedGivesNothing =
            walkAll(folder / "locked").empty() && !DirectoryWalker::children(folder / "locked");
        return listing(folder.path()) + (lockedGivesNothing ? "" : "(locked folder read)");
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, "a a/before locked z z/after ");
}

TEST(DirectoryWalkerTest, MissingOrNonFolderRootGivesNothing) {
    testing::TemporaryFolder folder;
    folder.write("file", "f");
    for (const auto& root : {folder / "missing", folder / "file", fs::path()}) {
        EXPECT_TRUE(walkAll(root).empty()) << root;
        EXPECT_FALSE(DirectoryWalker::children(root).has_value()) << root;
    }
}

TEST(DirectoryWalkerTest, VeryDeepTreesAreWalkedWholeWithFewDescriptors) {
    testing::TemporaryFolder folder;
    constexpr int depth = 200;
    std::string chain;
    for (int level = 0; level < depth; ++level) {
        // At every level a sibling folder that is only entered after the deeper chain is done.
        folder.write(chain + "later/file", "");
        chain += "d/";
    }
    fs::create_directories(folder / chain);

    const int before = lowestFreeDescriptor(folder.path());
    int deepestDescriptor = -1;
    int entries = 0;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry& entry) {
        if (entry.level == depth) {
            deepestDescriptor = lowestFreeDescriptor(folder.path());
        }
        ++entries;
        return Step::proceed;
    });
    EXPECT_EQ(entries, 3 * depth) << "every chain folder, sibling folder and file";
    ASSERT_GE(deepestDescriptor, 0);
    EXPECT_LE(deepestDescriptor - before, 70);
    EXPECT_EQ(lowestFreeDescriptor(folder.path()), before) << "every descriptor is closed at the end";
}

#ifdef __linux__
TEST(DirectoryWalkerTest, FolderMountedInsideItselfIsReportedButNotEntered) {
    testing::TemporaryFolder folder;
    folder.write("a/file", "");
    fs::create_directories(folder / "a/b/mount");
    std::string why;
    const auto entries = testing::withPrivateMounts(
        [&] {
            if (mount((folder / "a").c_str(), (folder / "a/b/mount").c_str(), nullptr, MS_BIND, nullptr) !=
                0) {
                return "skip:" + std::string(std::strerror(errno));
            }
            int count = 0;
            DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry&) {
                return ++count > 1000 ? Step::stop : Step::proceed;
            });
            return std::to_string(count);
        },
        why);
    if (!entries) {
        GTEST_SKIP() << "no permission to mount here: " << why;
    }
    EXPECT_EQ(*entries, "4") << "a, a/file, a/b and a/b/mount, which is not entered";
}
#endif

} // namespace
} // namespace tarnwick
