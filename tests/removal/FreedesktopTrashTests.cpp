#include "platform/PlatformError.h"
#include "removal/FreedesktopTrash.h"
#include "support/TemporaryFolder.h"
#include "support/Unprivileged.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iomanip>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), {}};
}

unsigned mode(const fs::path& location) {
    struct stat status {};
    EXPECT_EQ(::lstat(location.c_str(), &status), 0) << location;
    return status.st_mode & 07777;
}

std::string infoOf(const FreedesktopTrash& trash, const std::string& name) {
    return contents(trash.folder() / "info" / (name + ".trashinfo"));
}

TEST(FreedesktopTrashTest, MovesTheItemAndRecordsItsEscapedPathAndDate) {
    testing::TemporaryFolder folder;
    const std::string name = "\xC3\x9C 100% \"done\"#?.txt"; // "Ü 100% "done"#?.txt"
    const fs::path item = folder.write("keep-_.!~*'() ;=&/" + name, "data");
    fs::create_symlink("nowhere", folder / "dangling");
    FreedesktopTrash trash(folder / "home/.local/share/Trash");

    const std::time_t before = std::time(nullptr);
    const fs::path moved = trash.moveToTrash(item);
    const std::time_t after = std::time(nullptr);

    EXPECT_EQ(moved, trash.folder() / "files" / name);
    EXPECT_FALSE(fs::exists(item));
    EXPECT_EQ(contents(moved), "data");
    for (const char* created : {"", "files", "info"}) {
        EXPECT_EQ(mode(trash.folder() / created), 0700u) << created;
    }
    std::smatch match;
    const std::string info = infoOf(trash, name);
    ASSERT_TRUE(std::regex_match(info, match, std::regex("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=(.*)\n")))
        << info;
    EXPECT_EQ(match[1].str(),
              folder.path().string() + "/keep-_.!~*'()%20%3B%3D%26/%C3%9C%20100%25%20%22done%22%23%3F.txt");
    std::tm local{};
    std::istringstream(match[2].str()) >> std::get_time(&local, "%Y-%m-%dT%H:%M:%S");
    local.tm_isdst = -1;
    EXPECT_GE(std::mktime(&local), before);
    EXPECT_LE(std::mktime(&local), after);

    const fs::path link = trash.moveToTrash(folder / "dangling");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "nowhere");
}

TEST(FreedesktopTrashTest, TakenNamesGetTheNextFreeNameAndNothingIsReplaced) {
    testing::TemporaryFolder folder;
    FreedesktopTrash trash(folder / "Trash");
    // What other programs left: a file without an info file, and an info file whose move is pending.
    folder.write("Trash/files/notes 2.txt", "stray");
    folder.write("Trash/info/notes 3.txt.trashinfo", "reserved");
    for (const char* place : {"a", "b", "c"}) {
        folder.write(std::string(place) + "/notes.txt", place);
        folder.write(std::string(place) + "/.profile", place);
        fs::create_directories(folder / place / "Archive");
    }

    EXPECT_EQ(trash.moveToTrash(folder / "a/notes.txt").filename(), "notes.txt");
    EXPECT_EQ(trash.moveToTrash(folder / "b/notes.txt").filename(), "notes 4.txt");
    EXPECT_EQ(trash.moveToTrash(folder / "c/notes.txt").filename(), "notes 5.txt");
    EXPECT_EQ(trash.moveToTrash(folder / "a/.profile").filename(), ".profile");
    EXPECT_EQ(trash.moveToTrash(folder / "b/.profile").filename(), ".profile 2");
    EXPECT_EQ(trash.moveToTrash(folder / "a/Archive").filename(), "Archive");
    EXPECT_EQ(trash.moveToTrash(folder / "b/Archive").filename(), "Archive 2");

    EXPECT_EQ(contents(trash.folder() / "files/notes 2.txt"), "stray");
    EXPECT_FALSE(fs::exists(trash.folder() / "info/notes 2.txt.trashinfo"));
    EXPECT_EQ(infoOf(trash, "notes 3.txt"), "reserved");
    EXPECT_FALSE(fs::exists(trash.folder() / "files/notes 3.txt"));
    EXPECT_EQ(contents(trash.folder() / "files/notes 4.txt"), "b");
    EXPECT_NE(infoOf(trash, "notes 4.txt").find("Path=" + (folder / "b/notes.txt").string() + "\n"),
              std::string::npos);
}

TEST(FreedesktopTrashTest, ShortensNamesTheInfoFileCouldNotCarry) {
    testing::TemporaryFolder folder;
    FreedesktopTrash trash(folder / "Trash");
    std::string stem;
    for (int index = 0; index < 125; ++index) {
        stem += "\xC3\xBC"; // "ü": a cut must not split it
    }
    folder.write("a/" + stem + ".txt", "a");
    folder.write("b/" + stem + ".txt", "b");

    const fs::path first = trash.moveToTrash(folder / "a" / (stem + ".txt"));
    const fs::path second = trash.moveToTrash(folder / "b" / (stem + ".txt"));

    EXPECT_EQ(first.filename().string(), stem.substr(0, 240) + ".txt");
    EXPECT_EQ(second.filename().string(), stem.substr(0, 238) + " 2.txt");
    EXPECT_TRUE(fs::exists(trash.folder() / "info" / (first.filename().string() + ".trashinfo")));
    EXPECT_TRUE(fs::exists(trash.folder() / "info" / (second.filename().string() + ".trashinfo")));
}

TEST(FreedesktopTrashTest, AFailedMoveKeepsTheItemAndLeavesNoInfoFile) {
    testing::TemporaryFolder folder;
    FreedesktopTrash trash(folder / "home/Trash");
    try {
        trash.moveToTrash(folder / "missing");
        ADD_FAILURE() << "a missing item was moved";
    } catch (const PlatformError& error) {
        EXPECT_TRUE(error.hasCode(PlatformError::posixDomain, ENOENT));
    }
    EXPECT_TRUE(fs::is_empty(trash.folder() / "info"));

    // Root's folder, which "nobody" may read but not change.
    const fs::path item = folder.write("locked/item", "kept");
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::remove_all(trash.folder());
    ASSERT_EQ(::chown((folder / "home").c_str(), 65534, 65534), 0);
    const auto outcome = testing::runUnprivileged([&] {
        try {
            return "moved to " + trash.moveToTrash(item).string();
        } catch (const PlatformError& error) {
            return std::string(error.hasCode(PlatformError::posixDomain, EACCES) ? "EACCES" : error.what());
        }
    });
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(*outcome, "EACCES");
    EXPECT_EQ(contents(item), "kept");
    EXPECT_TRUE(fs::is_empty(trash.folder() / "info"));
    EXPECT_TRUE(fs::is_empty(trash.folder() / "files"));
}

TEST(FreedesktopTrashTest, ARestoredItemLosesOnlyItsOwnInfoFile) {
    testing::TemporaryFolder folder;
    FreedesktopTrash trash(folder / "Trash");
    const fs::path first = trash.moveToTrash(folder.write("a.txt", "a"));
    const fs::path second = trash.moveToTrash(folder.write("b.txt", "b"));
    fs::rename(first, folder / "a.txt");

    trash.itemWasRestored(first);
    trash.itemWasRestored(folder / "b.txt");
    trash.itemWasRestored(trash.folder() / "info/b.txt");
    trash.itemWasRestored(trash.folder() / "b.txt");

    EXPECT_FALSE(fs::exists(trash.folder() / "info/a.txt.trashinfo"));
    EXPECT_TRUE(fs::exists(trash.folder() / "info/b.txt.trashinfo"));
    EXPECT_TRUE(fs::exists(second));
}

} // namespace
} // namespace tarnwick
