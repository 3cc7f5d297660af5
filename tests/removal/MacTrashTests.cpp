#include "RemovalFixture.h"

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

TEST(MacTrashTest, TakenNamesAreVariedAsTheFinderDoes) {
    TemporaryFolder folder;
    MacTrash trash(folder / ".Trash");
    std::vector<std::string> names;
    for (int round = 0; round < 3; ++round) {
        names.push_back(
            trash.moveToTrash(folder.write("Notes.app/Contents/Info.plist", "x").parent_path().parent_path())
                .filename()
                .string());
        names.push_back(trash.moveToTrash(folder.write(".notesrc", "x")).filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Notes.app", ".notesrc", "Notes 2.app", ".notesrc 2",
                                               "Notes 3.app", ".notesrc 3"}));
    EXPECT_EQ(fs::status(trash.folder()).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(MacTrashTest, ALinkMovesAsItselfAndFailuresSayWhatHappened) {
    TemporaryFolder folder;
    MacTrash trash(folder / ".Trash");
    const fs::path target = folder.write("Documents/Letter.txt", "letter");
    fs::create_symlink(target, folder / "link");
    const fs::path moved = trash.moveToTrash(folder / "link");
    EXPECT_TRUE(fs::is_symlink(moved));
    EXPECT_EQ(contentsOf(target), "letter");

    try {
        trash.moveToTrash(folder / "missing");
        FAIL() << "a missing item moved";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.domain(), PlatformError::cocoaDomain);
        EXPECT_TRUE(error.hasCode(PlatformError::posixDomain, ENOENT));
        EXPECT_NE(error.message().find("\u201Cmissing\u201D"), std::string::npos) << error.message();
    }
}

} // namespace
} // namespace tarnwick::testing
