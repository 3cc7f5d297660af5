#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef __linux__
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#endif

#include "DirectoryWalker.h"
#include "TemporaryFolder.h"

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

// Relative path (from the folder) of every entry, in the order met.
std::vector<std::string> relativePaths(const std::vector<DirectoryEntry>& entries, const fs::path& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : entries) {
        paths.push_back(entry.path.substr(folder.native().size() + 1));
    }
    return paths;
}

std::map<std::string, DirectoryEntry> byRelativePath(const std::vector<DirectoryEntry>& entries,
                                                     const fs::path& folder) {
    std::map<std::string, DirectoryEntry> map;
    for (const auto& entry : entries) {
        map.emplace(entry.path.substr(folder.native().size() + 1), entry);
    }
    return map;
}

// Root ignores permission bits; for the duration of one test, the calling thread gives up the
// capabilities that let it do so. False when that cannot be done here.
class PermissionBitsEnforced {
public:
    PermissionBitsEnforced() {
#ifdef __linux__
        if (geteuid() != 0) {
            active_ = true;
            return;
        }
        if (syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        dropped_ = syscall(SYS_capset, &header_, lowered) == 0;
        active_ = dropped_;
#else
        active_ = geteuid() != 0;
#endif
    }
    ~PermissionBitsEnforced() {
#ifdef __linux__
        if (dropped_) {
            syscall(SYS_capset, &header_, saved_);
        }
#endif
    }
    PermissionBitsEnforced(const PermissionBitsEnforced&) = delete;
    PermissionBitsEnforced& operator=(const PermissionBitsEnforced&) = delete;

    bool active() const {
        return active_;
    }

private:
    bool active_ = false;
#ifdef __linux__
    bool dropped_ = false;
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
#endif
};

// The lowest free descriptor number: grows with every descriptor the walk keeps open.
int lowestFreeDescriptor(const fs::path& anyFolder) {
    const int descriptor = open(anyFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(descriptor);
    return descriptor;
}

TEST(DirectoryWalkerTest, VisitsEveryFolderBeforeItsContentsWithLevelsAndPaths) {
    testing::TemporaryFolder folder;
    folder.write("a/b/c.txt", "c");
    folder.write("a/d.txt", "d");
    folder.write("e.txt", "e");
    fs::create_directories(folder / "a/empty");

    const auto entries = walkAll(folder.path());
    const auto paths = relativePaths(entries, folder.path());
    ASSERT_EQ(paths.size(), 6U) << "the root itself is not reported";
    const auto indexOf = [&](const std::string& path) { return std::find(paths.begin(), paths.end(), path); };
    for (const auto* path : {"a", "a/b", "a/b/c.txt", "a/d.txt", "a/empty", "e.txt"}) {
        ASSERT_NE(indexOf(path), paths.end()) << path;
    }
    EXPECT_LT(indexOf("a"), indexOf("a/b"));
    EXPECT_LT(indexOf("a/b"), indexOf("a/b/c.txt"));
    EXPECT_LT(indexOf("a"), indexOf("a/d.txt"));
    // Depth first: a folder's whole subtree comes before any of its later siblings.
    EXPECT_EQ(indexOf("a/b/c.txt"), indexOf("a/b") + 1);

    const auto map = byRelativePath(entries, folder.path());
    EXPECT_EQ(map.at("a").level, 1);
    EXPECT_EQ(map.at("a/b").level, 2);
    EXPECT_EQ(map.at("a/b/c.txt").level, 3);
    EXPECT_EQ(map.at("a/b/c.txt").name, "c.txt");
    EXPECT_EQ(map.at("a/b/c.txt").location(), folder / "a/b/c.txt");
    EXPECT_TRUE(map.at("a/b").isDirectory);
    EXPECT_FALSE(map.at("a/b").isRegularFile);
    EXPECT_TRUE(map.at("e.txt").isRegularFile);
    EXPECT_FALSE(map.at("e.txt").isDirectory);
}

TEST(DirectoryWalkerTest, PathsAppendToTheRootAsGivenWithOneSeparator) {
    testing::TemporaryFolder folder;
    folder.write("x/y", "");

    const auto entries = walkAll(folder.path().native() + "/x/");
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0].path, folder.path().native() + "/x/y");

    const auto viaDots = walkAll(folder / "x/../x");
    ASSERT_EQ(viaDots.size(), 1U);
    EXPECT_EQ(viaDots[0].path, (folder / "x/../x/y").native());
}

TEST(DirectoryWalkerTest, HiddenEntriesAreDroppedWithTheirContentsOnlyWhenAsked) {
    testing::TemporaryFolder folder;
    folder.write(".hidden", "h");
    folder.write(".config/inner", "i");
    folder.write("visible/.DS_Store", "d");
    folder.write("visible/shown", "s");

    auto all = relativePaths(walkAll(folder.path()), folder.path());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{".config", ".config/inner", ".hidden", "visible",
                                             "visible/.DS_Store", "visible/shown"}));

    auto shown = relativePaths(walkAll(folder.path(), {.skipsHiddenEntries = true}), folder.path());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"visible", "visible/shown"}));
}

TEST(DirectoryWalkerTest, PackagesAreReportedButNotEnteredOnlyWhenAsked) {
    testing::TemporaryFolder folder;
    folder.write("Foo.app/Contents/Info.plist", "<plist/>");
    folder.write("Kit.FrameWork/Versions/A/Kit", "k");
    folder.write("Tools/Helper.xpc/Contents/MacOS/helper", "h");
    folder.write("notes.app", "a file, not a package");
    folder.write("plain/file", "f");

    const auto entered = byRelativePath(walkAll(folder.path()), folder.path());
    EXPECT_TRUE(entered.contains("Foo.app/Contents/Info.plist"));
    EXPECT_TRUE(entered.contains("Kit.FrameWork/Versions/A/Kit"));

    const auto skipped =
        byRelativePath(walkAll(folder.path(), {.skipsPackageContents = true}), folder.path());
    EXPECT_TRUE(skipped.at("Foo.app").isDirectory);
    EXPECT_TRUE(skipped.contains("Kit.FrameWork"));
    EXPECT_TRUE(skipped.contains("Tools/Helper.xpc"));
    EXPECT_TRUE(skipped.at("notes.app").isRegularFile);
    EXPECT_TRUE(skipped.contains("plain/file"));
    for (const auto& [path, entry] : skipped) {
        EXPECT_EQ(path.find(".app/"), std::string::npos) << path;
        EXPECT_EQ(path.find(".FrameWork/"), std::string::npos) << path;
        EXPECT_EQ(path.find(".xpc/"), std::string::npos) << path;
    }
    EXPECT_EQ(skipped.size(), 7U);
}

TEST(DirectoryWalkerTest, PackageNamesAreJudgedByTheirLowerCasedExtension) {
    for (const auto* name :
         {"Foo.app", "Foo.APP", "My.Tool.bundle", "Kit.framework", "x.plugin", "x.kext", "x.appex", "x.xpc",
          "x.qlgenerator", "x.mdimporter", "x.prefpane", "x.saver", "x.wdgt", "x.component", "x.pkg",
          "x.mpkg", "Photos Library.photoslibrary", "x.musiclibrary"}) {
        EXPECT_TRUE(DirectoryWalker::isPackageName(name)) << name;
    }
    for (const auto* name :
         {"app", ".app", "Foo.app.zip", "Foo.apps", "Foo.", "Foo", "x.dmg", "x.docx", ""}) {
        EXPECT_FALSE(DirectoryWalker::isPackageName(name)) << name;
    }
}

TEST(DirectoryWalkerTest, VisitorCanSkipTheEntryJustReceivedOrStopTheWalk) {
    testing::TemporaryFolder folder;
    folder.write("skip/inner/deeper", "");
    folder.write("keep/inner", "");

    std::vector<std::string> seen;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry& entry) {
        seen.emplace_back(entry.name);
        return entry.name == "skip" ? Step::skipDescendants : Step::proceed;
    });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"inner", "keep", "skip"}));

    int calls = 0;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry&) {
        ++calls;
        return Step::stop;
    });
    EXPECT_EQ(calls, 1);

    // Stopping deep inside the tree ends the whole walk, not just the current folder.
    calls = 0;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry& entry) {
        ++calls;
        return entry.level == 2 ? Step::stop : Step::proceed;
    });
    EXPECT_EQ(calls, 2);
}

TEST(DirectoryWalkerTest, LinksAreReportedAsLinksAndNeverFollowed) {
    testing::TemporaryFolder folder;
    folder.write("outside/big", std::string(1000, 'x'));
    folder.write("tree/file", "0123456789");
    fs::create_directory_symlink(folder / "outside", folder / "tree/folderLink");
    fs::create_symlink(folder / "outside/big", folder / "tree/fileLink");
    fs::create_symlink(folder / "nowhere", folder / "tree/dangling");

    const auto entries = walkAll(folder / "tree", {.readsSizes = true});
    const auto map = byRelativePath(entries, folder / "tree");
    EXPECT_EQ(map.size(), 4U) << "nothing below the link to a folder";
    for (const auto* name : {"folderLink", "fileLink", "dangling"}) {
        const auto& link = map.at(name);
        EXPECT_TRUE(link.isSymbolicLink) << name;
        EXPECT_FALSE(link.isDirectory) << name;
        EXPECT_FALSE(link.isRegularFile) << name;
        EXPECT_EQ(link.size, 0) << name;
    }

    const auto listed = DirectoryWalker::children(folder / "tree", true);
    ASSERT_TRUE(listed.has_value());
    const auto listedMap = byRelativePath(*listed, folder / "tree");
    EXPECT_TRUE(listedMap.at("folderLink").isSymbolicLink);
    EXPECT_FALSE(listedMap.at("folderLink").isDirectory);
}

TEST(DirectoryWalkerTest, RootGivenAsALinkIsOpenedLikeAnyPathButLinksBelowAreNot) {
    testing::TemporaryFolder folder;
    folder.write("real/file", "f");
    fs::create_directory_symlink(folder / "elsewhere", folder / "real/inner");
    folder.write("elsewhere/hidden-from-walk", "");
    fs::create_directory_symlink(folder / "real", folder / "rootLink");

    const auto map = byRelativePath(walkAll(folder / "rootLink"), folder / "rootLink");
    EXPECT_EQ(map.size(), 2U);
    EXPECT_TRUE(map.contains("file"));
    EXPECT_TRUE(map.at("inner").isSymbolicLink);
}

TEST(DirectoryWalkerTest, SizesAreLogicalSizesOfRegularFilesWhenAsked) {
    testing::TemporaryFolder folder;
    folder.write("ten", "0123456789");
    folder.write("empty", "");
    folder.write("sub/.hidden", "12345");
    {
        // A sparse file: its logical size is what counts, not the blocks it uses.
        const auto sparse = folder / "sparse";
        const int descriptor = open(sparse.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(descriptor, 0);
        ASSERT_EQ(ftruncate(descriptor, 1 << 24), 0);
        close(descriptor);
    }

    const auto sized = byRelativePath(walkAll(folder.path(), {.readsSizes = true}), folder.path());
    EXPECT_EQ(sized.at("ten").size, 10);
    EXPECT_EQ(sized.at("empty").size, 0);
    EXPECT_EQ(sized.at("sub/.hidden").size, 5);
    EXPECT_EQ(sized.at("sparse").size, 1 << 24);
    EXPECT_EQ(sized.at("sub").size, 0) << "folders count nothing themselves";

    const auto unsized = byRelativePath(walkAll(folder.path()), folder.path());
    EXPECT_EQ(unsized.at("ten").size, 0);
    EXPECT_TRUE(unsized.at("ten").isRegularFile);

    const auto listed = DirectoryWalker::children(folder.path(), true);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(byRelativePath(*listed, folder.path()).at("ten").size, 10);
}

TEST(DirectoryWalkerTest, UnreadableFolderIsSkippedWhileItsSiblingsAreWalked) {
    testing::TemporaryFolder folder;
    folder.write("a/before", "");
    folder.write("locked/secret", "");
    folder.write("z/after", "");
    fs::permissions(folder / "locked", fs::perms::none);

    PermissionBitsEnforced enforced;
    if (!enforced.active()) {
        GTEST_SKIP() << "permission bits cannot be enforced for this user here";
    }
    const auto map = byRelativePath(walkAll(folder.path()), folder.path());
    EXPECT_TRUE(map.at("locked").isDirectory) << "the folder itself is still reported";
    EXPECT_FALSE(map.contains("locked/secret"));
    EXPECT_TRUE(map.contains("a/before"));
    EXPECT_TRUE(map.contains("z/after"));
    EXPECT_FALSE(DirectoryWalker::children(folder / "locked").has_value());

    // A root that cannot be opened gives nothing.
    int calls = 0;
    DirectoryWalker::walk(folder / "locked", {}, [&](const DirectoryEntry&) {
        ++calls;
        return Step::proceed;
    });
    EXPECT_EQ(calls, 0);
}

TEST(DirectoryWalkerTest, MissingOrNonFolderRootGivesNothing) {
    testing::TemporaryFolder folder;
    folder.write("file", "f");
    for (const auto& root : {folder / "missing", folder / "file", fs::path()}) {
        int calls = 0;
        DirectoryWalker::walk(root, {}, [&](const DirectoryEntry&) {
            ++calls;
            return Step::proceed;
        });
        EXPECT_EQ(calls, 0) << root;
        EXPECT_FALSE(DirectoryWalker::children(root).has_value()) << root;
    }
}

TEST(DirectoryWalkerTest, ChildrenListsDirectChildrenHiddenIncluded) {
    testing::TemporaryFolder folder;
    folder.write("Foo.app/Contents/Info.plist", "");
    folder.write(".hidden", "");
    folder.write("file", "");
    fs::create_directories(folder / "empty");

    const auto listed = DirectoryWalker::children(folder.path());
    ASSERT_TRUE(listed.has_value());
    const auto map = byRelativePath(*listed, folder.path());
    EXPECT_EQ(map.size(), 4U);
    EXPECT_TRUE(map.at("Foo.app").isDirectory);
    EXPECT_TRUE(map.at(".hidden").isRegularFile);
    EXPECT_EQ(map.at("file").level, 1);
    EXPECT_EQ(map.at("file").name, "file");

    const auto none = DirectoryWalker::children(folder / "empty");
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(DirectoryWalkerTest, CopiedEntriesKeepTheirNameInTheirOwnPath) {
    testing::TemporaryFolder folder;
    for (int index = 0; index < 40; ++index) {
        folder.write(std::to_string(index), "");
    }
    // Growing the vector moves entries whose short paths live inside the string object itself.
    auto listed = DirectoryWalker::children(folder.path());
    ASSERT_TRUE(listed.has_value());
    std::vector<DirectoryEntry> moved;
    for (auto& entry : *listed) {
        moved.push_back(std::move(entry));
    }
    for (const auto& entry : moved) {
        EXPECT_EQ(fs::path(entry.path).filename().native(), entry.name);
        EXPECT_GE(entry.name.data(), entry.path.data());
        EXPECT_LE(entry.name.data() + entry.name.size(), entry.path.data() + entry.path.size());
    }
    DirectoryEntry copy;
    {
        DirectoryEntry original = moved.front();
        copy = original;
    }
    EXPECT_EQ(copy.name, moved.front().name);
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
    int files = 0;
    int folders = 0;
    DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry& entry) {
        if (entry.level == depth) {
            deepestDescriptor = lowestFreeDescriptor(folder.path());
        }
        files += entry.isRegularFile ? 1 : 0;
        folders += entry.isDirectory ? 1 : 0;
        return Step::proceed;
    });
    EXPECT_EQ(files, depth);
    EXPECT_EQ(folders, 2 * depth);
    ASSERT_GE(deepestDescriptor, 0);
    EXPECT_LE(deepestDescriptor - before, 70);
    EXPECT_EQ(lowestFreeDescriptor(folder.path()), before) << "every descriptor is closed at the end";
}

#ifdef __linux__
TEST(DirectoryWalkerTest, FolderMountedInsideItselfIsReportedButNotEntered) {
    testing::TemporaryFolder folder;
    folder.write("a/file", "");
    fs::create_directories(folder / "a/b/mount");

    // The mount lives in a namespace of a child process, so nothing else ever sees it.
    constexpr int cannotMount = 77;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount((folder / "a").c_str(), (folder / "a/b/mount").c_str(), nullptr, MS_BIND, nullptr) != 0) {
            _exit(cannotMount);
        }
        int entries = 0;
        DirectoryWalker::walk(folder.path(), {}, [&](const DirectoryEntry&) {
            return ++entries > 1000 ? Step::stop : Step::proceed;
        });
        _exit(entries);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == cannotMount) {
        GTEST_SKIP() << "no permission to mount here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 4) << "a, a/file, a/b and a/b/mount, which is not entered";
}
#endif

} // namespace
} // namespace tarnwick
